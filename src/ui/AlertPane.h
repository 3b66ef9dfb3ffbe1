#pragma once
// One half of the main window's splitter: hosts child windows and shows one of them at a time,
// filling the pane. Commands go to the shown child first.
#include "framework/CmdTarget.h"

#include <QWidget>

#include <vector>

class CAlertPane : public QWidget, public CCmdTarget {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    explicit CAlertPane(QWidget* parent = nullptr);
    ~CAlertPane() override;

    // Takes a window into the pane; -1 when it is null or hosted already, else its index.
    int AddChild(QWidget* child);
    // Hides the current child and shows the one at index, sized to the pane.
    bool ShowChild(int index);
    // Makes a window current, sized to the pane, and shows it.
    void ShowWindow(QWidget* child);
    QWidget* GetCurrentChild() const { return m_current; }
    int GetChildCount() const { return int(m_children.size()); }

    // The current child first (when it routes commands), then the pane's own routing.
    bool OnCmdMsg(UINT id, CCmdUI* pUI) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::vector<QWidget*> m_children;
    QWidget* m_current = nullptr;
};
