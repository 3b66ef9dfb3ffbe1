#pragma once
// Delivery of spooled alerts on one machine: the alert service's working step.
#include <QString>

namespace Delivery {

// Takes every alert waiting in the machine's spool, delivers it to each recipient and records
// it: one event-log record and detail file per alert, one activity-log entry per delivery,
// the alert counted once at its severity (and each delivery in the delivery count).
// A malformed spool file moves to spool/bad with an activity-log entry.
// While the world's delivery switch is on, SMTP and SNMP recipients are sent to for real; one
// that fails is tried again on later calls (bounded), and the alert stays in the spool until
// every recipient is delivered or given up.
// recordOnly: nothing is sent, whatever the switch says (the demo world's sample history).
// Returns the number of spool files taken. Called only while the service runs.
int ProcessSpool(const QString& machine, bool recordOnly = false);

// Asks a running ProcessSpool to finish after the alert at hand, recording what it did (the
// service pausing or stopping); false lets it run again.
void SetInterrupted(bool interrupted);

} // namespace Delivery
