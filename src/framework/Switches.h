#pragma once
// Process-wide switches and the console's own settings. All of them belong to the
// user-interface thread.
#include "platform/WinTypes.h"

#include <QString>

namespace Switches {

// Whether DeleteLeaf tells the parent about the deletion (initially on). The information pane
// turns it off while it deletes a multiple selection so that the parent hears once.
// Setting it returns the previous value.
bool NotifyParent();
bool SetNotifyParent(bool on);

// Set (initially) by every window that routes the delete command, once per command; the record
// leaf that asks for confirmation clears it, so one question covers all rows of one command.
bool AskBeforeDelete();
void SetAskBeforeDelete(bool on);

// The answer of that question (initially clear).
bool DeleteApproved();
void SetDeleteApproved(bool on);

// Back to the initial values (tests).
void Reset();

} // namespace Switches

// The four console settings, held for the process: read at start-up, changed by dialogs and
// the frame, written at exit.
namespace ConsoleSettings {

enum Index {
    ExpandBroadcast = 0,   // network browser of the broadcast recipients expands by default
    ExpandEventlog = 1,    // machine browser of the event-log recipient
    ExpandServer = 2,      // machine browser of the connect command
    LargeToolbar = 3,      // large (1) or small (0) toolbar buttons
    Count = 4
};

struct Entry {
    UINT nameId;          // string id of the registry value name
    const char* name;     // the same name, used only while the string table lacks it
    DWORD defaultValue;
};
// Table order is the order of reading and writing.
const Entry& Table(int index);
// The registry value name of a setting (from the string table).
QString ValueName(int index);
// String id of the section name ("Sentrel"), and the name itself.
constexpr UINT SectionNameId = 3513;
QString SectionName();

DWORD Get(Index index);
void Set(Index index, DWORD value);
bool LargeToolbarOn();
// Every setting back to its default.
void ResetDefaults();

} // namespace ConsoleSettings
