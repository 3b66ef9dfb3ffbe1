#include "methods/MethodLeaves.h"

#include "mail/MailLibrary.h"
#include "methods/MethodLeaf.h"
#include "methods/PortLeaf.h"
#include "records/MethodTable.h"
#include "tree/ConfigLeaf.h"
#include "tree/MethodLeafRegistry.h"

namespace {

template <class T>
CAlertLeaf* Make()
{
    return new T;
}

// The e-mail method of a table is named after the messaging client.
CAlertLeaf* MakeEmail()
{
    return new CEmailMethodLeaf(IsExchangeMailClient());
}

} // namespace

namespace MethodLeaves {

void Register()
{
    MethodLeafRegistry::Add(Records::kBroadcastBit, 0, Make<CBroadcastMethodLeaf>);
    MethodLeafRegistry::Add(Records::kNumericPagerBit, 0, Make<CPagerMethodLeaf>);
    MethodLeafRegistry::Add(Records::kEmailBit, 0, MakeEmail);
    MethodLeafRegistry::Add(Records::kSnmpBit, 0, Make<CSnmpMethodLeaf>);
    MethodLeafRegistry::Add(Records::kTicketBit, 0, Make<CTicketMethodLeaf>);
    MethodLeafRegistry::Add(Records::kEventLogBit, 0, Make<CEventLogMethodLeaf>);
    MethodLeafRegistry::Add(Records::kNotesBit, 1, Make<CNotesMethodLeaf>);
    MethodLeafRegistry::Add(Records::kSmtpBit, 2, Make<CSMTPMethodLeaf>);
    CConfigLeaf::SetPortConfigFactory(CPortConfigLeaf::CreateUnder);
}

} // namespace MethodLeaves
