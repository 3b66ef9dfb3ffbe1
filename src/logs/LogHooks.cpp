#include "logs/LogHooks.h"

#include "logs/ActivityLogLeaf.h"
#include "logs/EventLogLeaf.h"
#include "extern/Tarnix.h"
#include "logs/SummaryLeaf.h"
#include "tree/ActivityLeaf.h"
#include "tree/ServerLeaf.h"

namespace {

constexpr int32_t kVersionNotSupported = 50;

// The older service (no version report) keeps ALERT.LOG as plain text. The children may be
// made before the server's status worker asked for the version, so the service is asked here.
bool OlderService(const CAlertLeaf* leaf)
{
    const CServerLeaf* server = leaf->GetServerLeaf<CServerLeaf>();
    if (!server)
        return false;
    if (!server->GetLogDirectory().isEmpty())
        return server->GetActivityLogName().compare(QLatin1String("ALERT.LOG"), Qt::CaseInsensitive) == 0;
    // Only the older service's own answer (not supported) counts; a service that cannot be
    // asked just now gets the newer log, which never rewrites a file it cannot read.
    const QByteArray machine = server->GetMachine().toUtf8();
    int32_t version[4] = {0, 0, 0, 0};
    return AlertGetServiceVersion(machine.constData(), &version[0], &version[1], &version[2], &version[3]) ==
        kVersionNotSupported;
}

template <class T>
T* Inserted(CAlertLeaf* parent, T* child)
{
    if (parent->InsertChild(child))
        return child;
    delete child;
    return nullptr;
}

void CreateChildren(CActivityLeaf* leaf, CActivityLeaf::Children* created)
{
    if (auto* summary = Inserted(leaf, new CSummaryLeaf)) {
        summary->Refresh();
        created->summary = summary;
    }
    if (auto* eventLog = Inserted(leaf, new CEventLogSummaryLeaf)) {
        // Records are read on first expansion; the placeholder gives the expand button.
        Inserted<CAlertLeaf>(eventLog, new CAlertLeaf);
        created->eventLog = eventLog;
    }
    if (OlderService(leaf))
        created->activityLog = Inserted(leaf, new CActivityLogLeaf40);
    else
        created->activityLog = Inserted(leaf, new CActivityLogLeaf45);
}

bool FileModified(CAlertLeaf* child)
{
    if (auto* eventLog = dynamic_cast<CEventLogSummaryLeaf*>(child))
        return eventLog->FileModified(false);
    if (auto* ring = dynamic_cast<CActivityLogLeaf45*>(child))
        return ring->FileModified();
    if (auto* text = dynamic_cast<CActivityLogLeaf40*>(child))
        return text->FileModified();
    return false;
}

} // namespace

namespace LogHooks {

void Install()
{
    CActivityLeaf::Hooks hooks;
    hooks.createChildren = CreateChildren;
    hooks.fileModified = FileModified;
    CActivityLeaf::SetHooks(hooks);
}

bool QuerySortKeys(CAlertLeaf* leaf, QStringList* keys, DWORD* numericColumns)
{
    if (auto* summary = dynamic_cast<CSummaryLeaf*>(leaf)) {
        // Rows as shown; the counts (column 1) sort by value.
        keys->clear();
        for (CAlertLeaf* child = summary->GetFirstChild(); child; child = child->GetNextSibling()) {
            if (auto* counter = dynamic_cast<CNotificationLeaf*>(child))
                *keys << counter->GetName() + QLatin1Char('\t') + QString::number(counter->GetCount());
        }
        *numericColumns = 0x2;
        return true;
    }
    return false;
}

} // namespace LogHooks
