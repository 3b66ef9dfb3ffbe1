#pragma once
// The broadcast recipients dialog (143): a network browser on the left, the chosen recipients
// on the right. Names come from the browser (a machine keeps its "\\NAME" form) or are typed
// (then in upper case). OK replaces the method leaf's recipients by the chosen ones.
#include "framework/Lifetime.h"
#include "platform/WinTypes.h"

#include <QDialog>
#include <memory>

class CAlertLeaf;
class CAlertTreeCtrl;
class CBroadcastMethodLeaf;
class QCheckBox;
class QLineEdit;

class CBroadcastDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr UINT kDialogId = 143;
    static constexpr int IDC_RECIPIENT = 1073;
    static constexpr int IDC_NETWORK = 1013;
    static constexpr int IDC_CHOSEN = 1012;
    static constexpr int IDC_ADD = 1014;
    static constexpr int IDC_ADD_ALL = 1015;
    static constexpr int IDC_REMOVE = 1016;
    static constexpr int IDC_REMOVE_ALL = 1017;
    static constexpr int IDC_EXPAND = 1034;
    // The record holds 51 characters of a name.
    static constexpr int kMaxName = 51;

    // Copies the method's recipients into the right tree and fills the network tree (with the
    // wait cursor).
    explicit CBroadcastDlg(CBroadcastMethodLeaf* method, QWidget* parent = nullptr);
    ~CBroadcastDlg() override;

    // Replaces the method leaf's recipients by the chosen ones (empty names dropped).
    void accept() override;

    CAlertTreeCtrl* NetworkTree() const { return m_network; }
    CAlertTreeCtrl* ChosenTree() const { return m_chosen; }

    // Adds the typed name (nothing when the field is empty) and clears the field.
    void OnAdd();
    void OnAddAll();
    void OnRemove();
    void OnRemoveAll();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FillNetworkTree();
    void OnSelectionChanged(CAlertLeaf* oldLeaf, CAlertLeaf* newLeaf);
    // Adds a recipient of that name to the right tree unless it is there already; the new
    // recipient, or null.
    CAlertLeaf* AddRecipient(const QString& name);
    void AddBelow(CAlertLeaf* parent);

    CWeakPtr<CBroadcastMethodLeaf> m_method;
    CAlertTreeCtrl* m_network = nullptr;
    CAlertTreeCtrl* m_chosen = nullptr;
    QLineEdit* m_recipient = nullptr;
    QCheckBox* m_expand = nullptr;
    std::unique_ptr<CAlertLeaf> m_networkRoot;
    std::unique_ptr<CAlertLeaf> m_chosenRoot;
};
