#pragma once
// Leaves for the tree tests: they record what happens to them in a shared journal.
#include "framework/Commands.h"
#include "framework/Switches.h"
#include "tree/AlertLeaf.h"
#include "tree/AlertTreeCtrl.h"

#include <QString>
#include <QStringList>
#include <map>

struct Journal {
    QStringList destroyed;
    QStringList expanding;
    QStringList commands;          // "leaf:id"
    QStringList menus;             // "leaf@x,y"
    QStringList doubleClicks;      // "leaf:flags"
    QStringList messages;          // "leaf:msg:wParam"
    std::map<QString, int> childModified;   // parent name -> calls with no child
    bool askFlagAtDelete = false;
};

class CTestLeaf : public CAlertLeaf {
    DECLARE_MESSAGE_MAP()
public:
    CTestLeaf(Journal* journal, const QString& name, int image = 0)
        : m_journal(journal)
    {
        m_name = name;
        m_image = image;
    }
    ~CTestLeaf() override { m_journal->destroyed << m_name; }

    void ChildModified(CAlertLeaf* child) override
    {
        if (!child)
            ++m_journal->childModified[m_name];
    }
    void OnItemExpanding(NMTREEVIEW* notify, LRESULT* result) override
    {
        m_journal->expanding << m_name;
        if (m_veto) {
            *result = 1;
            return;
        }
        if (m_lazyChildren > 0 && m_unpopulated) {
            for (int i = 0; i < m_lazyChildren; ++i)
                InsertChild(new CTestLeaf(m_journal, m_name + "/" + QString::number(i)));
        }
        CAlertLeaf::OnItemExpanding(notify, result);
    }
    void ShowContextMenu(int x, int y) override
    {
        m_journal->menus << QStringLiteral("%1@%2,%3").arg(m_name).arg(x).arg(y);
        if (m_realMenu)
            CAlertLeaf::ShowContextMenu(x, y);
    }
    void OnDoubleClick(UINT flags, int, int) override
    {
        m_journal->doubleClicks << QStringLiteral("%1:%2").arg(m_name).arg(flags);
    }
    LRESULT OnTreeMessage(UINT message, WPARAM wParam, LPARAM) override
    {
        m_journal->messages << QStringLiteral("%1:%2:%3").arg(m_name).arg(message, 0, 16).arg(wParam);
        return 0;
    }

    Journal* m_journal;
    bool m_veto = false;
    int m_lazyChildren = 0;
    bool m_realMenu = false;
};

// A leaf that handles commands itself: start (3002), delete (3007), new (3005), test message.
class CHandlerLeaf : public CTestLeaf {
    DECLARE_MESSAGE_MAP()
public:
    using CTestLeaf::CTestLeaf;
    QString m_machine;
    bool QueryServerMachineName(QString* machine) const override
    {
        if (m_machine.isEmpty())
            return false;
        if (machine)
            *machine = m_machine;
        return true;
    }
    void OnStart() { m_journal->commands << m_name + ":3002"; }
    void OnUpdateStart(CCmdUI* pUI) { pUI->Enable(m_startEnabled); }
    void OnDelete()
    {
        m_journal->askFlagAtDelete = Switches::AskBeforeDelete();
        m_journal->commands << m_name + ":3007";
        if (m_whileDeleting)
            m_whileDeleting();
    }
    // Runs inside the delete command (a confirmation box would turn the event loop there).
    std::function<void()> m_whileDeleting;
    void OnNew() { m_journal->commands << m_name + ":3005"; }
    bool m_startEnabled = true;
};
