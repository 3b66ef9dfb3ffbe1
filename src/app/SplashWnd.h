#pragma once
// The splash window (dialog 134): a borderless, topmost popup centred on the desktop with
// bitmap 153 and the two legal notices (strings 3519 and 3520 in controls 1058 and 1059).
#include <QDialog>

class CSplashWnd : public QDialog {
public:
    static constexpr int kDialogId = 134;
    static constexpr int kBitmapId = 153;
    static constexpr int kNoticeCtrl1 = 1058;
    static constexpr int kNoticeCtrl2 = 1059;

    explicit CSplashWnd(QWidget* parent = nullptr);
    // Shows it centred on the primary screen and lets it paint before start-up goes on.
    void ShowCentred();
};
