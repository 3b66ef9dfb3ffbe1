#pragma once
// Leaves for the window tests: each answers the display query from its fields (or lists its
// children as rows), records the commands, menus and double-clicks that reach it, and deletes
// itself on 3007 when it handles that command.
#include "framework/Commands.h"
#include "framework/Switches.h"
#include "tree/AlertLeaf.h"
#include "tree/AlertTreeCtrl.h"

#include <QPoint>
#include <QString>
#include <QStringList>

#include <set>
#include <vector>

struct LeafEvent {
    QString leaf;        // name of the leaf
    UINT id = 0;         // command id; 0 for menus and double-clicks
    bool query = false;  // update query rather than execution
    bool notifyParent = true;
    bool askBeforeDelete = false;
    QString what;        // "cmd", "menu", "dblclk"
    QPoint point;
};

class CTestLeaf : public CAlertLeaf {
public:
    CTestLeaf(const QString& name, std::vector<LeafEvent>* events = nullptr)
        : m_events(events)
    {
        m_name = name;
    }

    WORD format = DISPLAY_COLUMNS;
    int produced = -1;           // format reported; -1: the requested one
    bool listChildren = false;   // rows: the children's names, objects: the children
    QString heading;
    QStringList rows;
    CLeafArray objects;
    QString title;
    std::set<UINT> handles;      // commands this leaf executes / answers enabled
    QString statusText;          // answer to the update query of 2000 (when not empty)
    int childModified = 0;

    QString GetTitle() override { return title.isEmpty() ? m_name : title; }
    WORD GetDisplayFormat() override { return format; }
    void GetDisplayData(UINT requested, WORD* out, QString* head, QStringList* outRows, CLeafArray* outObjects) override
    {
        *out = produced < 0 ? WORD(requested) : WORD(produced);
        if (listChildren) {
            *head = heading;
            for (CAlertLeaf* c = GetFirstChild(); c; c = c->GetNextSibling()) {
                outRows->append(c->GetName());
                outObjects->append(c);
            }
            return;
        }
        *head = heading;
        *outRows = rows;
        *outObjects = objects;
    }
    void ChildModified(CAlertLeaf*) override { ++childModified; }
    void ShowContextMenu(int x, int y) override { Record(0, false, QStringLiteral("menu"), QPoint(x, y)); }
    void OnDoubleClick(UINT, int x, int y) override { Record(0, false, QStringLiteral("dblclk"), QPoint(x, y)); }

    bool OnCmdMsg(UINT id, CCmdUI* pUI) override
    {
        if (id == ID_INDICATOR_SERVICE && pUI && !statusText.isEmpty()) {
            pUI->SetText(statusText);
            return true;
        }
        if (!handles.count(id))
            return CAlertLeaf::OnCmdMsg(id, pUI);
        Record(id, pUI != nullptr, QStringLiteral("cmd"), QPoint());
        if (pUI) {
            pUI->Enable(true);
            return true;
        }
        if (id == ID_EDIT_DELETE)
            DeleteLeaf();
        return true;
    }

private:
    void Record(UINT id, bool query, const QString& what, const QPoint& point)
    {
        if (!m_events)
            return;
        LeafEvent e;
        e.leaf = m_name;
        e.id = id;
        e.query = query;
        e.notifyParent = Switches::NotifyParent();
        e.askBeforeDelete = Switches::AskBeforeDelete();
        e.what = what;
        e.point = point;
        m_events->push_back(e);
    }

    std::vector<LeafEvent>* m_events;
};

// Executed commands only (update queries left out).
inline std::vector<LeafEvent> Executed(const std::vector<LeafEvent>& events, UINT id)
{
    std::vector<LeafEvent> out;
    for (const LeafEvent& e : events)
        if (e.what == QLatin1String("cmd") && e.id == id && !e.query)
            out.push_back(e);
    return out;
}
