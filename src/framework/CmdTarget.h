#pragma once
// Command targets: every object that can receive a menu command or answer an update query
// (enable, check, text) for one. Commands are the console's fixed numbers (framework/Commands.h).
//
//   OnCmdMsg(id, nullptr)  executes the command;   returns true when some target handled it.
//   OnCmdMsg(id, &ui)      asks for its state;     returns true when some target answered.
//
// Each class lists its commands in a static message map; a class's map chains to its base
// class's map. When no map along the class chain handles a command, the target passes it to
// the next target its owner defined (SetNextCmdTarget), or a subclass overrides OnCmdMsg to
// route elsewhere (a leaf goes to its parent leaf).
//
// Usage:
//   class CFoo : public CCmdTarget {
//       DECLARE_MESSAGE_MAP()
//       void OnStart();
//       void OnUpdateStart(CCmdUI* pUI);
//   };
//   BEGIN_MESSAGE_MAP(CFoo, CCmdTarget)
//       ON_COMMAND(ID_SERVICE_START, OnStart)
//       ON_UPDATE_COMMAND_UI(ID_SERVICE_START, OnUpdateStart)
//   END_MESSAGE_MAP()
#include "framework/Lifetime.h"
#include "platform/WinTypes.h"

#include <QString>

class QAction;

// The state of one command as its targets describe it during an update query.
class CCmdUI {
public:
    explicit CCmdUI(UINT id = 0) : m_nID(id) {}

    UINT m_nID = 0;

    void Enable(bool on = true) { m_enabled = on; m_enableChanged = true; }
    // 0 unchecked, 1 checked, 2 indeterminate.
    void SetCheck(int check = 1) { m_check = check; m_checkChanged = true; }
    void SetText(const QString& text) { m_text = text; m_textChanged = true; }

    bool IsEnabled() const { return m_enabled; }
    int GetCheck() const { return m_check; }
    const QString& GetText() const { return m_text; }
    bool EnableChanged() const { return m_enableChanged; }
    bool CheckChanged() const { return m_checkChanged; }
    bool TextChanged() const { return m_textChanged; }

    // Carries the answer over to an action: enabled when some target answered (handled) and
    // did not disable it; check and text only when a target set them.
    void ApplyTo(QAction* action, bool handled) const;

private:
    bool m_enabled = true;
    int m_check = 0;
    QString m_text;
    bool m_enableChanged = false;
    bool m_checkChanged = false;
    bool m_textChanged = false;
};

class CCmdTarget;

// One message-map entry. Handlers are plain functions that cast the target back to the class
// that declared the map (the macros generate them), so maps are static constant tables.
struct CCmdMapEntry {
    UINT firstId = 0;
    UINT lastId = 0;
    // Command handler; returns false to let routing continue (ON_COMMAND_EX), else true.
    bool (*onCommand)(CCmdTarget* target, UINT id) = nullptr;
    // Update handler for the command's state.
    void (*onUpdate)(CCmdTarget* target, CCmdUI* pUI) = nullptr;
};

struct CCmdMap {
    const CCmdMap* (*base)() = nullptr;   // the base class's map, null at the root
    const CCmdMapEntry* entries = nullptr; // terminated by an entry with both handlers null
};

class CCmdTarget {
public:
    CCmdTarget() = default;
    virtual ~CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = default;
    CCmdTarget& operator=(const CCmdTarget&) = default;

    // Own message map first, then the next target. Null pUI executes, else update query.
    virtual bool OnCmdMsg(UINT id, CCmdUI* pUI);

    // The message maps of this object's class chain only, no further routing.
    bool DispatchFromMap(UINT id, CCmdUI* pUI);

    // Where unhandled commands go next (not owned; null ends the chain).
    void SetNextCmdTarget(CCmdTarget* next) { m_nextTarget = next; }
    CCmdTarget* GetNextCmdTarget() const { return m_nextTarget; }

    // Conveniences: execute a command / ask its state through this target's routing.
    bool ExecuteCommand(UINT id) { return OnCmdMsg(id, nullptr); }
    // Fills *pUI and returns whether any target answered.
    bool QueryCommand(UINT id, CCmdUI* pUI) { return OnCmdMsg(id, pUI); }

    // Run-time class test, as the ancestor searches of the leaves use it.
    template <class T>
    bool IsKindOf() const { return dynamic_cast<const T*>(this) != nullptr; }

    // Handles on this target (CWeakPtr) expire when it is destroyed.
    const CLifetime& GetLifetime() const { return m_lifetime; }

    static const CCmdMap* GetThisMessageMap();

protected:
    virtual const CCmdMap* GetMessageMap() const { return GetThisMessageMap(); }
    // For a target whose destructor has work to do before it is gone: handles expire now.
    void EndLifetime() { m_lifetime.End(); }

private:
    CCmdTarget* m_nextTarget = nullptr;
    CLifetime m_lifetime;
};

// Checked downcast of a command target (null when the object is of another class).
template <class T>
T* DynamicDowncast(CCmdTarget* target) { return dynamic_cast<T*>(target); }
template <class T>
const T* DynamicDowncast(const CCmdTarget* target) { return dynamic_cast<const T*>(target); }

// Runs the update query for every action in a menu (recursively) that carries a command id
// (property "cmdId", see framework/CommandActions.h) and applies the answers. A command no
// target answers is disabled.
class QMenu;
void UpdateMenuActions(QMenu* menu, CCmdTarget* route);
// The same for one action.
void UpdateCommandAction(QAction* action, CCmdTarget* route);

// ---- message-map macros ------------------------------------------------------------------

#define DECLARE_MESSAGE_MAP()                                                   \
public:                                                                         \
    static const CCmdMap* GetThisMessageMap();                                  \
protected:                                                                      \
    const CCmdMap* GetMessageMap() const override { return GetThisMessageMap(); } \
protected:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                  \
    const CCmdMap* theClass::GetThisMessageMap()                                \
    {                                                                           \
        using ThisClass [[maybe_unused]] = theClass;                            \
        using TheBaseClass = baseClass;                                         \
        static const CCmdMapEntry entries[] = {

#define END_MESSAGE_MAP()                                                       \
            CCmdMapEntry{0, 0, nullptr, nullptr}                                \
        };                                                                      \
        static const CCmdMap map{&TheBaseClass::GetThisMessageMap, entries};    \
        return &map;                                                            \
    }

// void Handler()
#define ON_COMMAND(id, memberFn)                                                \
    CCmdMapEntry{UINT(id), UINT(id),                                            \
        [](CCmdTarget* t, UINT) -> bool { static_cast<ThisClass*>(t)->memberFn(); return true; }, \
        nullptr},

// bool Handler(UINT id): returning false lets routing continue.
#define ON_COMMAND_EX(id, memberFn)                                             \
    CCmdMapEntry{UINT(id), UINT(id),                                            \
        [](CCmdTarget* t, UINT i) -> bool { return static_cast<ThisClass*>(t)->memberFn(i); }, \
        nullptr},

// void Handler(UINT id)
#define ON_COMMAND_RANGE(firstId, lastId, memberFn)                             \
    CCmdMapEntry{UINT(firstId), UINT(lastId),                                   \
        [](CCmdTarget* t, UINT i) -> bool { static_cast<ThisClass*>(t)->memberFn(i); return true; }, \
        nullptr},

// void Handler(CCmdUI* pUI)
#define ON_UPDATE_COMMAND_UI(id, memberFn)                                      \
    CCmdMapEntry{UINT(id), UINT(id), nullptr,                                   \
        [](CCmdTarget* t, CCmdUI* ui) { static_cast<ThisClass*>(t)->memberFn(ui); }},

#define ON_UPDATE_COMMAND_UI_RANGE(firstId, lastId, memberFn)                   \
    CCmdMapEntry{UINT(firstId), UINT(lastId), nullptr,                          \
        [](CCmdTarget* t, CCmdUI* ui) { static_cast<ThisClass*>(t)->memberFn(ui); }},
