#pragma once
// A stand-in main frame for application tests: a plain window that routes commands and answers
// the single-instance query as the real frame does, recording what it was asked.
#include "app/AlertApp.h"
#include "framework/CmdTarget.h"
#include "framework/Commands.h"

#include <QApplication>
#include <QPair>
#include <QWidget>
#include <vector>

class CTestFrame : public QWidget, public CCmdTarget {
public:
    std::vector<QPair<WPARAM, LPARAM>>* bringUps = nullptr;

    LRESULT BringUp(WPARAM wParam, LPARAM lParam)
    {
        if (bringUps)
            bringUps->push_back({wParam, lParam});
        if (wParam != BRING_UP_WPARAM || lParam != BRING_UP_LPARAM)
            return 0;
        raise();
        activateWindow();
        return BRING_UP_REPLY;
    }
};

// What the factory saw when the application asked for its frame.
struct FrameLog {
    int created = 0;
    bool splashVisibleAtCreation = false;
    std::vector<QPair<WPARAM, LPARAM>> bringUps;
};

inline bool SplashVisible()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QStringLiteral("SplashWnd") && w->isVisible())
            return true;
    }
    return false;
}

inline CAlertApp::FrameFactory TestFrameFactory(FrameLog* log)
{
    return [log]() {
        ++log->created;
        log->splashVisibleAtCreation = SplashVisible();
        auto* frame = new CTestFrame;
        frame->bringUps = &log->bringUps;
        frame->resize(200, 100);
        CAlertApp::Frame parts;
        parts.window = frame;
        parts.route = frame;
        parts.bringUp = [frame](WPARAM w, LPARAM l) { return frame->BringUp(w, l); };
        return parts;
    };
}
