#pragma once
// The tree host window: owns the tree control, puts the local machine's server leaf at the root
// and turns the tree's selection and deletion notifications into messages 0x464 and 0x466 for
// the information pane.
#include "framework/CmdTarget.h"
#include "platform/WinTypes.h"
#include "ui/AlertListWnd.h"

#include <QPointer>
#include <QWidget>

class CAlertLeaf;
class CAlertTreeCtrl;

class CAlertTreeWnd : public QWidget, public CCmdTarget {
    Q_OBJECT
    DECLARE_MESSAGE_MAP()
public:
    explicit CAlertTreeWnd(QWidget* parent = nullptr);
    ~CAlertTreeWnd() override;

    CAlertTreeCtrl* GetTree() const { return m_tree; }
    // The pane to notify (null until the frame sets it: nothing is sent then). A leaf selected
    // before the pane was set is shown at once, so the pane never disagrees with the tree.
    void SetInfoPane(CAlertListWnd* pane);
    CAlertListWnd* GetInfoPane() const { return m_infoPane; }

    // Whether a tree window puts this computer's server leaf at the root when it is created.
    // The application turns it on at start-up; windows made elsewhere (tests) start empty.
    static void SetCreatesLocalServer(bool on);
    static bool CreatesLocalServer();

    // 3007 raises the ask-before-delete flag first; then the tree's routing (the selected leaf
    // and its ancestors), then the window's own handlers.
    bool OnCmdMsg(UINT id, CCmdUI* pUI) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Creates the server leaf of this computer at the root, expands and shows it.
    void CreateLocalServerLeaf();
    // 3008: the server logon dialog, then the chosen machine's server leaf, selected.
    void OnConnect();
    void OnSelectionChanged(CAlertLeaf* oldLeaf, CAlertLeaf* newLeaf);
    void OnItemDeleted(CAlertLeaf* leaf);

    QPointer<CAlertListWnd> m_infoPane;
    CAlertTreeCtrl* m_tree = nullptr;
};
