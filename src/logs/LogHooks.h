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

// The information pane's sort-key query: the summary's counts sort numerically; false for other
// leaves, whose row texts are the keys (the logs give their rows and keys as row sources).
bool QuerySortKeys(CAlertLeaf* leaf, QStringList* keys, DWORD* numericColumns);

} // namespace LogHooks
