#pragma once
// The recipients dialogs work on copies: the method's recipients are copied into the dialog's
// tree when it opens, and the tree's back into the method leaf on OK.
#include "tree/AlertLeaf.h"
#include "tree/LeafNotify.h"

// Copies every child of `from` that is a T under `to`, in order, with the given context menu.
template <class T>
void CopyRecipients(const CAlertLeaf* from, CAlertLeaf* to, UINT menuId)
{
    for (CAlertLeaf* child = from->GetFirstChild(); child; child = child->GetNextSibling()) {
        auto* recipient = dynamic_cast<T*>(child);
        if (!recipient)
            continue;
        auto* copy = new T(*recipient);
        copy->SetContextMenu(menuId);
        if (!to->InsertChild(copy))
            delete copy;
    }
}

// Replaces the method leaf's recipients by copies of the T children of `chosen`. A rebuild: the
// method reports the user's change once, after the dialog (CMethodLeaf::NewItem), so the table
// is written once, not once per recipient removed.
template <class T>
void ReplaceRecipients(CAlertLeaf* method, const CAlertLeaf* chosen)
{
    const CQuietRebuild quiet(method);
    method->DeleteChildren();
    CopyRecipients<T>(chosen, method, IDR_DEFAULT_LEAF_MENU);
}
