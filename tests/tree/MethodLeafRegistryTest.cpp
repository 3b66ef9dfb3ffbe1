// The table leaf's method-leaf registry as the method layer fills it at start-up: which leaf a
// method gets at each table version.
#include "methods/MethodLeaf.h"
#include "records/MethodTable.h"
#include "tree/MethodLeafRegistry.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

template <class T>
bool Makes(uint32_t method, int version)
{
    std::unique_ptr<CAlertLeaf> leaf(MethodLeafRegistry::Create(method, version));
    return dynamic_cast<T*>(leaf.get()) != nullptr;
}

TEST(MethodLeafRegistry, EachMethodFromTheVersionItExistsIn)
{
    for (int version = 0; version <= 3; ++version) {
        EXPECT_TRUE(Makes<CBroadcastMethodLeaf>(Records::kBroadcastBit, version));
        EXPECT_TRUE(Makes<CPagerMethodLeaf>(Records::kNumericPagerBit, version));
        EXPECT_TRUE(Makes<CEmailMethodLeaf>(Records::kEmailBit, version));
        EXPECT_TRUE(Makes<CSnmpMethodLeaf>(Records::kSnmpBit, version));
        EXPECT_TRUE(Makes<CTicketMethodLeaf>(Records::kTicketBit, version));
        EXPECT_TRUE(Makes<CEventLogMethodLeaf>(Records::kEventLogBit, version));
        EXPECT_EQ(Makes<CNotesMethodLeaf>(Records::kNotesBit, version), version >= 1);
        EXPECT_EQ(Makes<CSMTPMethodLeaf>(Records::kSmtpBit, version), version >= 2);
    }
    // No leaf for a bit no method registered, nor for a version below every entry.
    EXPECT_EQ(MethodLeafRegistry::Create(Records::kAlphaPagerBit, 3), nullptr);
    EXPECT_EQ(MethodLeafRegistry::Create(Records::kBroadcastBit, -1), nullptr);
}

TEST(MethodLeafRegistry, ALaterEntryForTheSameVersionReplacesTheFactory)
{
    const uint32_t unused = 0x80000000u;
    MethodLeafRegistry::Add(unused, 1, [] { return static_cast<CAlertLeaf*>(new CSnmpMethodLeaf); });
    MethodLeafRegistry::Add(unused, 1, [] { return static_cast<CAlertLeaf*>(new CTicketMethodLeaf); });
    MethodLeafRegistry::Add(unused, 2, [] { return static_cast<CAlertLeaf*>(new CPagerMethodLeaf); });
    EXPECT_EQ(MethodLeafRegistry::Create(unused, 0), nullptr);
    EXPECT_TRUE(Makes<CTicketMethodLeaf>(unused, 1));
    EXPECT_TRUE(Makes<CPagerMethodLeaf>(unused, 3));
}

} // namespace
