#pragma once
// Installs the log leaves into the console at start-up: the activity leaf's children (alert
// summary, alert event log, activity log of the service's generation), its file-changed test,
// and the sort keys the information pane asks of the logs.
#include "platform/WinTypes.h"

#include <QStringList>

class CAlertLeaf;
class CActivityLeaf;

namespace LogHooks {

// Sets the activity leaf's hooks.
void Install();

// The information pane's sort-key query: the event log's and the ring activity log's keys
// (column 0 of the event log sorts numerically), the summary's counts numerically; false for
// other leaves, whose row texts are the keys.
bool QuerySortKeys(CAlertLeaf* leaf, QStringList* keys, DWORD* numericColumns);

} // namespace LogHooks
