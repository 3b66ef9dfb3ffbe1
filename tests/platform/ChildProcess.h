#pragma once
// Runs this test program again as a child in one role (a second process for cross-process
// tests). The child inherits the environment, so it shares the test's world.
#include <QProcess>
#include <QStringList>
#include <memory>

// Starts the child; null if it did not start. The child runs until it ends its role or the
// returned process is destroyed (which kills it).
std::unique_ptr<QProcess> StartChild(const QString& role, const QStringList& args = {});
// Waits (Timing-scaled, generous) for one line of the child's output; empty on time-out.
QString ReadChildLine(QProcess& child);
// Waits for the child to end; its exit code, or -1.
int WaitChild(QProcess& child);
