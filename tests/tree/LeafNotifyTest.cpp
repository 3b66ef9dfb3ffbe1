// Who hears that children changed: quiet rebuilds of a subtree, and one notification per
// parent for a command on several rows.
#include "LeafTestSupport.h"

#include "tree/LeafNotify.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

// A leaf that passes every change on to its parent, as a method leaf does to its table.
class CRelayLeaf : public CTestLeaf {
public:
    using CTestLeaf::CTestLeaf;
    void ChildModified(CAlertLeaf* child) override
    {
        CTestLeaf::ChildModified(child);
        ++m_journal->childModified[m_name + " any"];
        NotifyChildModified(GetParentLeaf(), this);
    }
};

struct NotifyFixture : ::testing::Test {
    void SetUp() override
    {
        Switches::Reset();
        tree = std::make_unique<CAlertTreeCtrl>();
        CAlertLeaf root(tree.get());
        table = new CRelayLeaf(&journal, "table");
        ASSERT_TRUE(root.InsertChild(table));
        a = Add(table, "a");
        b = Add(table, "b");
        for (const char* name : {"a1", "a2"})
            Add(a, name);
        for (const char* name : {"b1", "b2"})
            Add(b, name);
    }
    void TearDown() override
    {
        tree.reset();
        Switches::Reset();
    }
    CRelayLeaf* Add(CAlertLeaf* parent, const char* name)
    {
        auto* leaf = new CRelayLeaf(&journal, QString::fromLatin1(name));
        EXPECT_TRUE(parent->InsertChild(leaf));
        return leaf;
    }
    int Heard(const char* name) { return journal.childModified[QString::fromLatin1(name) + " any"]; }

    Journal journal;
    std::unique_ptr<CAlertTreeCtrl> tree;
    CRelayLeaf* table = nullptr;
    CRelayLeaf* a = nullptr;
    CRelayLeaf* b = nullptr;
};

TEST_F(NotifyFixture, AQuietRebuildSilencesItsSubtreeAndNothingElse)
{
    {
        const CQuietRebuild quiet(a);
        EXPECT_TRUE(CQuietRebuild::Covers(a));
        EXPECT_TRUE(CQuietRebuild::Covers(a->GetFirstChild()));
        EXPECT_FALSE(CQuietRebuild::Covers(table));
        EXPECT_FALSE(CQuietRebuild::Covers(b));
        // A reload of a: its children go and come back; neither a nor the table hears.
        a->GetFirstChild()->DeleteLeaf();
        Add(a, "a3");
        EXPECT_EQ(Heard("a"), 0);
        EXPECT_EQ(Heard("table"), 0);
        // A user's delete under b at the same time still reaches b and the table.
        b->GetFirstChild()->DeleteLeaf();
        EXPECT_EQ(Heard("b"), 1);
        EXPECT_EQ(Heard("table"), 1);
    }
    EXPECT_FALSE(CQuietRebuild::Covers(a));
    // After the scope a's deletes are edits again.
    a->GetFirstChild()->DeleteLeaf();
    EXPECT_EQ(Heard("a"), 1);
    EXPECT_EQ(Heard("table"), 2);
}

TEST_F(NotifyFixture, NestedRebuildsEndInAnyOrderAndALeafThatWentUnderOneIsNotTouched)
{
    auto outer = std::make_unique<CQuietRebuild>(table);
    auto inner = std::make_unique<CQuietRebuild>(a);
    outer.reset();
    EXPECT_TRUE(CQuietRebuild::Covers(a->GetFirstChild()));
    EXPECT_FALSE(CQuietRebuild::Covers(b));
    // The leaf of the remaining scope is deleted while it lives (its parent is not rebuilt).
    a->DeleteLeaf();
    EXPECT_EQ(Heard("table"), 1);
    inner.reset();
    EXPECT_FALSE(CQuietRebuild::Covers(b));
    b->GetFirstChild()->DeleteLeaf();
    EXPECT_EQ(Heard("b"), 1);
}

TEST_F(NotifyFixture, SeveralRowsOfSeveralParentsTellEachParentOnceAfterTheLastRow)
{
    {
        const CNotifyOncePerParent once;
        // Rows of both methods, as a table's combined list holds them.
        for (const char* name : {"b2", "a2", "b1", "a1"}) {
            CAlertLeaf* parent = QLatin1String(name).startsWith('a') ? static_cast<CAlertLeaf*>(a) : b;
            CAlertLeaf* row = parent->GetFirstChild();
            while (row && row->GetName() != QLatin1String(name))
                row = row->GetNextSibling();
            ASSERT_NE(row, nullptr) << name;
            row->DeleteLeaf();
        }
        {
            const CNotifyOncePerParent nested;
        }
        // Nothing yet, not even when an inner scope ended.
        EXPECT_EQ(Heard("a"), 0);
        EXPECT_EQ(Heard("b"), 0);
    }
    EXPECT_EQ(Heard("a"), 1);
    EXPECT_EQ(Heard("b"), 1);
    // Each method passed its change on once: the table heard twice, once per method.
    EXPECT_EQ(Heard("table"), 2);
    EXPECT_FALSE(a->HasChildren());
    EXPECT_FALSE(b->HasChildren());
}

TEST_F(NotifyFixture, AParentThatWentBeforeTheScopeEndsIsNotCalled)
{
    {
        const CNotifyOncePerParent once;
        a->GetFirstChild()->DeleteLeaf();
        b->GetFirstChild()->DeleteLeaf();
        a->DeleteLeaf();
    }
    EXPECT_TRUE(journal.destroyed.contains("a"));
    EXPECT_EQ(Heard("a"), 0);
    EXPECT_EQ(Heard("b"), 1);
    // The table lost a and b changed: one call for each, through the same scope.
    EXPECT_EQ(Heard("table"), 2);
}

TEST_F(NotifyFixture, TheNotifyParentSwitchStillSilencesADeletion)
{
    Switches::SetNotifyParent(false);
    a->GetFirstChild()->DeleteLeaf();
    EXPECT_EQ(Heard("a"), 0);
    Switches::SetNotifyParent(true);
    a->GetFirstChild()->DeleteLeaf();
    EXPECT_EQ(Heard("a"), 1);
}

} // namespace
