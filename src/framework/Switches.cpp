#include "framework/Switches.h"

#include "res/Resources.h"

#include <atomic>

namespace Switches {
namespace {
std::atomic<bool> g_notifyParent{true};
std::atomic<bool> g_askBeforeDelete{true};
std::atomic<bool> g_deleteApproved{false};
} // namespace

bool NotifyParent() { return g_notifyParent.load(); }
bool SetNotifyParent(bool on) { return g_notifyParent.exchange(on); }
bool AskBeforeDelete() { return g_askBeforeDelete.load(); }
void SetAskBeforeDelete(bool on) { g_askBeforeDelete.store(on); }
bool DeleteApproved() { return g_deleteApproved.load(); }
void SetDeleteApproved(bool on) { g_deleteApproved.store(on); }

void Reset()
{
    g_notifyParent = true;
    g_askBeforeDelete = true;
    g_deleteApproved = false;
}

} // namespace Switches

namespace ConsoleSettings {
namespace {
const Entry kTable[Count] = {
    {3514, "NetTreeDefaultExpandBroadcast", 0},
    {3515, "NetTreeDefaultExpandEventlog", 0},
    {3516, "NetTreeDefaultExpandServer", 0},
    {3517, "LargeToolbar", 1},
};
std::atomic<DWORD> g_values[Count] = {0, 0, 0, 1};
} // namespace

const Entry& Table(int index)
{
    return kTable[index >= 0 && index < Count ? index : 0];
}

QString ValueName(int index)
{
    const Entry& e = Table(index);
    const QString name = LoadString(e.nameId);
    return name.isEmpty() ? QString::fromLatin1(e.name) : name;
}

QString SectionName()
{
    const QString name = LoadString(SectionNameId);
    return name.isEmpty() ? QStringLiteral("Sentrel") : name;
}

DWORD Get(Index index)
{
    return index >= 0 && index < Count ? g_values[index].load() : 0;
}

void Set(Index index, DWORD value)
{
    if (index >= 0 && index < Count)
        g_values[index].store(value);
}

bool LargeToolbarOn() { return Get(LargeToolbar) != 0; }

void ResetDefaults()
{
    for (int i = 0; i < Count; ++i)
        g_values[i].store(kTable[i].defaultValue);
}

} // namespace ConsoleSettings
