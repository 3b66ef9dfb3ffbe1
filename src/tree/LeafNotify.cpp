#include "tree/LeafNotify.h"

#include "tree/AlertLeaf.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

// Both belong to the user-interface thread, which owns every leaf.
std::vector<const CAlertLeaf*>& Rebuilding()
{
    static std::vector<const CAlertLeaf*> leaves;
    return leaves;
}

struct Batch {
    int depth = 0;
    std::vector<CAlertLeaf*> parents;
};
Batch& OpenBatch()
{
    static Batch batch;
    return batch;
}

} // namespace

void NotifyChildModified(CAlertLeaf* parent, CAlertLeaf* child)
{
    if (!parent || !CAlertLeaf::IsLive(parent) || CQuietRebuild::Covers(parent))
        return;
    Batch& batch = OpenBatch();
    if (batch.depth > 0) {
        if (std::find(batch.parents.begin(), batch.parents.end(), parent) == batch.parents.end())
            batch.parents.push_back(parent);
        return;
    }
    parent->ChildModified(child);
}

CQuietRebuild::CQuietRebuild(const CAlertLeaf* leaf) : m_leaf(leaf)
{
    Rebuilding().push_back(leaf);
}

CQuietRebuild::~CQuietRebuild()
{
    // Scopes end in reverse order; the leaf itself may have gone meanwhile and is not touched.
    std::vector<const CAlertLeaf*>& leaves = Rebuilding();
    const auto it = std::find(leaves.rbegin(), leaves.rend(), m_leaf);
    if (it != leaves.rend())
        leaves.erase(std::next(it).base());
}

bool CQuietRebuild::Covers(const CAlertLeaf* leaf)
{
    const std::vector<const CAlertLeaf*>& leaves = Rebuilding();
    if (leaves.empty())
        return false;
    for (const CAlertLeaf* p = leaf; p; p = p->GetParent()) {
        if (std::find(leaves.begin(), leaves.end(), p) != leaves.end())
            return true;
    }
    return false;
}

CNotifyOncePerParent::CNotifyOncePerParent()
{
    ++OpenBatch().depth;
}

CNotifyOncePerParent::~CNotifyOncePerParent()
{
    Batch& batch = OpenBatch();
    if (--batch.depth > 0)
        return;
    std::vector<CAlertLeaf*> parents;
    parents.swap(batch.parents);
    // One parent's write may reload or remove another (or show a box): each is checked anew.
    for (CAlertLeaf* parent : parents)
        NotifyChildModified(parent, nullptr);
}
