#pragma once
// The console's top-level window: menu 128, a toolbar in a small and a large variant, a status
// bar with the service-state pane, and a splitter with the tree pane on the left and the
// information pane on the right. It decides which pane a command goes to, answers the
// single-instance handshake and handles the frame-level commands.
#include "framework/CmdTarget.h"
#include "platform/WinTypes.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>

class CAlertListWnd;
class CAlertPane;
class CAlertTreeWnd;
class QAction;
class QLabel;
class QSplitter;
class QTimer;
class QToolBar;

class CMainFrame : public QMainWindow, public CCmdTarget {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    static constexpr int kTreePaneWidth = 225;

    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Builds the window: caption, menu, accelerators, toolbar, status bar, splitter, tree and
    // information panes. False when a part cannot be created.
    bool Create();

    // The registered "Bring Up Alert" message: with the handshake's parameters the frame comes
    // forward and answers 0x12272; any other parameters give 0 and do nothing.
    LRESULT OnBringUpAlert(WPARAM wParam, LPARAM lParam);

    // 3028 goes to the information pane first; other commands to the tree pane first while the
    // focus is there; then the active pane, the frame and the application (the next target).
    bool OnCmdMsg(UINT id, CCmdUI* pUI) override;

    // Runs the update queries for the toolbar buttons and the status pane now (an idle timer
    // does it regularly; menus ask before they open).
    void UpdateCommandStates();

    CAlertPane* GetLeftPane() const { return m_leftPane; }
    CAlertPane* GetRightPane() const { return m_rightPane; }
    CAlertTreeWnd* GetTreeWnd() const { return m_treeWnd; }
    CAlertListWnd* GetInfoPane() const { return m_infoPane; }
    QToolBar* GetToolBar() const { return m_toolBar; }
    QSplitter* GetSplitter() const { return m_splitter; }
    UINT GetToolBarId() const { return m_toolBarId; }
    // The action of a command in the menu bar or the toolbar (null when there is none).
    QAction* MenuAction(UINT id) const;
    QAction* ToolBarAction(UINT id) const;
    // The status bar's panes as shown: the message pane and pane 2000.
    QString MessagePaneText() const;
    QString ServicePaneText() const;
    // The pane with the information pane's row count ("N of M") or its load progress.
    QString RowsPaneText() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool CreateToolBar();
    bool LoadToolBar(UINT toolbarId);
    bool CreateStatusBar();
    bool CreateClient();
    void BuildMenu();
    void LoadAccelerators();
    void ExecuteCommand(UINT id);
    void SwitchToolBar(UINT toolbarId, bool large);
    bool IsInLeftPane(const QWidget* widget) const;
    void OnFocusChanged(QWidget* old, QWidget* now);

    void OnLargeToolbar();
    void OnUpdateLargeToolbar(CCmdUI* pUI);
    void OnSmallToolbar();
    void OnUpdateSmallToolbar(CCmdUI* pUI);
    void OnMailLogon();
    void OnUpdateMailLogon(CCmdUI* pUI);
    void OnHelpContents();
    void OnViewToolbar();
    void OnUpdateViewToolbar(CCmdUI* pUI);
    void OnViewStatusBar();
    void OnUpdateViewStatusBar(CCmdUI* pUI);
    void OnAppExit();

    QToolBar* m_toolBar = nullptr;
    UINT m_toolBarId = 0;
    std::map<UINT, QAction*> m_toolActions;
    QLabel* m_messagePane = nullptr;
    QLabel* m_servicePane = nullptr;
    QLabel* m_rowsPane = nullptr;
    QSplitter* m_splitter = nullptr;
    CAlertPane* m_leftPane = nullptr;
    CAlertPane* m_rightPane = nullptr;
    CAlertTreeWnd* m_treeWnd = nullptr;
    CAlertListWnd* m_infoPane = nullptr;
    QPointer<CAlertPane> m_activeView;
    QTimer* m_idleTimer = nullptr;
    bool m_created = false;
};
