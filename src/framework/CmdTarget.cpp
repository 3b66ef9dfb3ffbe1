#include "framework/CmdTarget.h"

#include "framework/CommandActions.h"

#include <QAction>
#include <QMenu>

void CCmdUI::ApplyTo(QAction* action, bool handled) const
{
    if (!action)
        return;
    action->setEnabled(handled && m_enabled);
    if (m_checkChanged) {
        action->setCheckable(true);
        action->setChecked(m_check != 0);
    }
    if (m_textChanged)
        action->setText(m_text);
}

const CCmdMap* CCmdTarget::GetThisMessageMap()
{
    static const CCmdMapEntry entries[] = {CCmdMapEntry{0, 0, nullptr, nullptr}};
    static const CCmdMap map{nullptr, entries};
    return &map;
}

bool CCmdTarget::DispatchFromMap(UINT id, CCmdUI* pUI)
{
    bool hasCommandHandler = false;
    for (const CCmdMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
        for (const CCmdMapEntry* e = map->entries; e && (e->onCommand || e->onUpdate); ++e) {
            if (id < e->firstId || id > e->lastId)
                continue;
            if (pUI) {
                if (e->onUpdate) {
                    pUI->m_nID = id;
                    e->onUpdate(this, pUI);
                    return true;
                }
                if (e->onCommand)
                    hasCommandHandler = true;
            } else if (e->onCommand && e->onCommand(this, id)) {
                return true;
            }
        }
    }
    // A target that would execute the command but has no update handler offers it enabled.
    if (pUI && hasCommandHandler) {
        pUI->Enable(true);
        return true;
    }
    return false;
}

bool CCmdTarget::OnCmdMsg(UINT id, CCmdUI* pUI)
{
    if (DispatchFromMap(id, pUI))
        return true;
    return m_nextTarget && m_nextTarget != this && m_nextTarget->OnCmdMsg(id, pUI);
}

void UpdateCommandAction(QAction* action, CCmdTarget* route)
{
    const UINT id = CommandIdOf(action);
    if (!action || id == 0)
        return;
    CCmdUI ui(id);
    const bool handled = route && route->OnCmdMsg(id, &ui);
    ui.ApplyTo(action, handled);
}

void UpdateMenuActions(QMenu* menu, CCmdTarget* route)
{
    if (!menu)
        return;
    for (QAction* action : menu->actions()) {
        if (QMenu* sub = action->menu())
            UpdateMenuActions(sub, route);
        else
            UpdateCommandAction(action, route);
    }
}
