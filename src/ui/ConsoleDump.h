#pragma once
// A text picture of the console as shown, for scripts and tests:
//   the tree (every created item's text, two spaces of indent per level)
//   ---
//   the information pane (the heading line, then each row with its columns separated by tabs;
//   for a text display the text)
//   ---
//   the status bar's panes (the message pane, then the service-state pane), one per line.
#include <QString>

class CMainFrame;

namespace ConsoleDump {

QString Text(const CMainFrame* frame);
// Writes the text as UTF-8, replacing the file atomically.
bool Write(const CMainFrame* frame, const QString& path);

// Selects the tree item whose item texts from the top, joined by '/', equal path, expanding
// the items on the way as a user would. False when there is no such item.
bool SelectPath(CMainFrame* frame, const QString& path);

} // namespace ConsoleDump
