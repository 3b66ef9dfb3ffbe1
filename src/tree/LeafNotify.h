#pragma once
// Who hears that a leaf's children changed. ChildModified means "the user changed this": a
// method leaf marks itself modified and its table writes the list back. Two things are not a
// user's change and must not start that chain:
//   - rebuilding children from stored data (a reload, a dialog's result replacing a list, a
//     leaf clearing its children when the service stops): done inside a CQuietRebuild;
//   - one command on several rows: each parent that lost or changed a child hears once, after
//     the last row (CNotifyOncePerParent).
// Every ChildModified a leaf sends its parent goes through NotifyChildModified.
#include "platform/WinTypes.h"

class CAlertLeaf;

// Calls parent->ChildModified(child), unless parent is null or gone or lies in a subtree under
// quiet rebuild. While a CNotifyOncePerParent is open the call is remembered instead (once
// per parent) and made with no child when the scope ends.
void NotifyChildModified(CAlertLeaf* parent, CAlertLeaf* child);

// While alive, no ChildModified reaches the leaf or any leaf below it.
class CQuietRebuild {
public:
    explicit CQuietRebuild(const CAlertLeaf* leaf);
    ~CQuietRebuild();
    CQuietRebuild(const CQuietRebuild&) = delete;
    CQuietRebuild& operator=(const CQuietRebuild&) = delete;

    // Whether leaf or one of its ancestors is being rebuilt.
    static bool Covers(const CAlertLeaf* leaf);

private:
    const CAlertLeaf* m_leaf;
};

// Collects the notifications made while the outermost scope is open; when it ends, every
// parent told that still exists hears once, in the order it was first told. A parent may
// show a message box then, so the scope ends where nothing is used afterwards unchecked.
class CNotifyOncePerParent {
public:
    CNotifyOncePerParent();
    ~CNotifyOncePerParent();
    CNotifyOncePerParent(const CNotifyOncePerParent&) = delete;
    CNotifyOncePerParent& operator=(const CNotifyOncePerParent&) = delete;
};
