// The broadcast recipients dialog over a world's network: names typed or picked from the
// browser, duplicates, Add all below a container, removal, and what OK and Cancel leave in the
// method leaf.
#include "../common/TempWorld.h"

#include "alertworld/WorldTool.h"
#include "framework/Commands.h"
#include "framework/ScriptedUiHost.h"
#include "framework/Switches.h"
#include "methods/BroadcastDlg.h"
#include "methods/MethodLeaf.h"
#include "network/NetLeaf.h"
#include "res/Resources.h"
#include "res/StringIds.h"
#include "tree/AlertTreeCtrl.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString kDomain = QStringLiteral("KORVANE");

class BroadcastDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Switches::Reset();
        ConsoleSettings::ResetDefaults();
        for (const char* name : {"SRV1", "SRV2"}) {
            WorldTool::MachineOptions options;
            options.name = QString::fromLatin1(name);
            options.domain = kDomain;
            QString error;
            ASSERT_EQ(WorldTool::AddMachine(options, &error), 0u) << error.toStdString();
        }
        m_tree = std::make_unique<CAlertTreeCtrl>();
        m_root = std::make_unique<CAlertLeaf>(m_tree.get());
        m_method = new CBroadcastMethodLeaf;
        ASSERT_TRUE(m_root->InsertChild(m_method));
        for (const char* name : {"ZED", "\\\\OLD"}) {
            auto* r = new CBroadcastRecipientLeaf;
            r->SetRecipientName(QString::fromLatin1(name));
            ASSERT_TRUE(m_method->InsertChild(r));
        }
    }
    void TearDown() override
    {
        m_tree.reset();
        ConsoleSettings::ResetDefaults();
    }

    static QStringList Names(CAlertTreeCtrl* tree, HTREEITEM parent = TVI_ROOT)
    {
        QStringList names;
        for (HTREEITEM item = tree->GetChildItem(parent); item; item = tree->GetNextSiblingItem(item))
            names << tree->GetItemText(item);
        return names;
    }
    static QStringList Children(CAlertLeaf* parent)
    {
        QStringList names;
        for (CAlertLeaf* c = parent->GetFirstChild(); c; c = c->GetNextSibling())
            names << c->GetName();
        return names;
    }
    static void Press(QDialog* d, int ctrlId) { FindCtrl<QPushButton>(d, ctrlId)->click(); }
    static void Type(QDialog* d, const QString& text) { FindCtrl<QLineEdit>(d, 1073)->setText(text); }
    // The network's provider, its domain and the domain's servers, expanded.
    static CNetLeaf* Domain(CBroadcastDlg& dlg)
    {
        CAlertTreeCtrl* tree = dlg.NetworkTree();
        auto* network = dynamic_cast<CNetLeaf*>(tree->GetItemLeaf(tree->GetChildItem(TVI_ROOT)));
        if (!network || !network->Expand())
            return nullptr;
        for (CAlertLeaf* c = network->GetFirstChild(); c; c = c->GetNextSibling()) {
            if (c->GetName() == kDomain)
                return dynamic_cast<CNetLeaf*>(c);
        }
        return nullptr;
    }

    TempWorld m_world;
    std::unique_ptr<CAlertTreeCtrl> m_tree;
    std::unique_ptr<CAlertLeaf> m_root;
    CBroadcastMethodLeaf* m_method = nullptr;
};

TEST_F(BroadcastDlgTest, OpensWithTheRecipientsTextsAndTheNetwork)
{
    ConsoleSettings::Set(ConsoleSettings::ExpandBroadcast, 1);
    CBroadcastDlg dlg(m_method);
    EXPECT_EQ(dlg.windowTitle(), Res::DialogCaption(143));
    EXPECT_EQ(FindCtrl<QPushButton>(&dlg, 1014)->text(), Res::ControlText(143, 1014));
    EXPECT_EQ(FindCtrl<QPushButton>(&dlg, 1017)->text(), Res::ControlText(143, 1017));
    bool noteShown = false;
    for (QLabel* label : dlg.findChildren<QLabel*>())
        noteShown = noteShown || label->text() == LoadString(IDS_BROADCAST_NOTE);
    EXPECT_TRUE(noteShown);
    // The method's recipients in its order, without their menus.
    EXPECT_EQ(Names(dlg.ChosenTree()), (QStringList{"ZED", "\\\\OLD"}));
    EXPECT_EQ(dlg.ChosenTree()->GetItemLeaf(dlg.ChosenTree()->GetChildItem(TVI_ROOT))->GetContextMenu(), 0u);
    // Only the Windows network, expanded as the setting says.
    CAlertTreeCtrl* net = dlg.NetworkTree();
    ASSERT_EQ(net->GetChildCount(TVI_ROOT), 1);
    EXPECT_TRUE(net->GetItemText(net->GetChildItem(TVI_ROOT)).contains(QStringLiteral("icrosoft")));
    EXPECT_TRUE(net->IsItemExpanded(net->GetChildItem(TVI_ROOT)));
    auto* box = FindCtrl<QCheckBox>(&dlg, 1034);
    ASSERT_TRUE(box->isChecked());
    // The box changes the setting at once.
    box->setChecked(false);
    EXPECT_EQ(ConsoleSettings::Get(ConsoleSettings::ExpandBroadcast), 0u);
}

TEST_F(BroadcastDlgTest, TypedAndPickedNamesEnterOnce)
{
    CBroadcastDlg dlg(m_method);
    Press(&dlg, 1017);
    EXPECT_TRUE(Names(dlg.ChosenTree()).isEmpty());
    Type(&dlg, QStringLiteral("pc01"));
    Press(&dlg, 1014);
    Type(&dlg, QStringLiteral("PC01"));
    Press(&dlg, 1014);
    EXPECT_EQ(Names(dlg.ChosenTree()), QStringList{"PC01"});

    CNetLeaf* domain = Domain(dlg);
    ASSERT_TRUE(domain);
    ASSERT_TRUE(domain->Expand());
    CAlertLeaf* server = domain->GetFirstChild();
    ASSERT_TRUE(server);
    ASSERT_TRUE(server->Select());
    EXPECT_EQ(FindCtrl<QLineEdit>(&dlg, 1073)->text(), QStringLiteral("\\\\SRV1"));
    Press(&dlg, 1014);
    Type(&dlg, QStringLiteral("\\\\srv1"));
    Press(&dlg, 1014);
    EXPECT_EQ(Names(dlg.ChosenTree()), (QStringList{"\\\\SRV1", "PC01"}));
    // A provider entry can be selected but never becomes a recipient under its own name.
    CAlertLeaf* provider = domain->GetParentLeaf();
    ASSERT_TRUE(provider->Select());
    Type(&dlg, provider->GetName());
    Press(&dlg, 1014);
    EXPECT_FALSE(Names(dlg.ChosenTree()).contains(provider->GetName()));

    // Remove takes the selected one.
    dlg.ChosenTree()->SelectItem(dlg.ChosenTree()->GetChildItem(TVI_ROOT));
    const QString first = dlg.ChosenTree()->GetItemText(dlg.ChosenTree()->GetChildItem(TVI_ROOT));
    Press(&dlg, 1016);
    EXPECT_FALSE(Names(dlg.ChosenTree()).contains(first));
}

TEST_F(BroadcastDlgTest, EnterAddsTheNameAnEmptyFieldAddsNothingAndAddClearsTheField)
{
    CBroadcastDlg dlg(m_method);
    dlg.show();
    auto* edit = FindCtrl<QLineEdit>(&dlg, 1073);
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("pc07"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), 0);
    EXPECT_TRUE(edit->text().isEmpty());
    EXPECT_EQ(Names(dlg.ChosenTree()), (QStringList{"\\\\OLD", "PC07", "ZED"}));

    // Nothing typed, or only blanks: neither Add nor Enter adds, nor closes the dialog.
    Press(&dlg, 1014);
    Type(&dlg, QStringLiteral("   "));
    Press(&dlg, 1014);
    QTest::keyClick(edit, Qt::Key_Enter);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(Names(dlg.ChosenTree()), (QStringList{"\\\\OLD", "PC07", "ZED"}));

    Type(&dlg, QStringLiteral("pc08"));
    Press(&dlg, 1014);
    EXPECT_TRUE(edit->text().isEmpty());
    dlg.accept();
    EXPECT_EQ(Children(m_method), (QStringList{"\\\\OLD", "PC07", "PC08", "ZED"}));
}

TEST_F(BroadcastDlgTest, AddAllTakesTheShownServersBelowOnly)
{
    CBroadcastDlg dlg(m_method);
    Press(&dlg, 1017);
    CNetLeaf* domain = Domain(dlg);
    ASSERT_TRUE(domain);
    // Servers never shown are not added, nor is the domain.
    ASSERT_TRUE(domain->Select());
    Press(&dlg, 1015);
    EXPECT_TRUE(Names(dlg.ChosenTree()).isEmpty());
    ASSERT_TRUE(domain->Expand());
    ASSERT_TRUE(domain->Select());
    Press(&dlg, 1015);
    Press(&dlg, 1015);
    EXPECT_EQ(Names(dlg.ChosenTree()), (QStringList{"\\\\SRV1", "\\\\SRV2"}));
    // From the provider: the domain too, the provider not.
    ASSERT_TRUE(domain->GetParentLeaf()->Select());
    Press(&dlg, 1015);
    EXPECT_EQ(Names(dlg.ChosenTree()), (QStringList{"\\\\SRV1", "\\\\SRV2", "KORVANE"}));
}

TEST_F(BroadcastDlgTest, OkReplacesTheRecipientsAndCancelKeepsThem)
{
    ScriptedUiHost host;
    ScopedUiHost scope(&host);
    // Cancel after changes leaves everything.
    host.PushDialog([](QDialog* d) {
        Press(d, 1017);
        d->reject();
    });
    m_method->NewItem(0, 0, 0);
    EXPECT_EQ(Children(m_method), (QStringList{"ZED", "\\\\OLD"}));
    EXPECT_FALSE(m_method->IsModified());

    // OK: the chosen ones, sorted, with the default menu; an empty name is dropped.
    host.PushDialog([](QDialog* d) {
        Type(d, QString());
        Press(d, 1014);
        Type(d, QStringLiteral("abc"));
        Press(d, 1014);
        d->accept();
    });
    ASSERT_TRUE(m_method->OnCmdMsg(ID_EDIT_NEW, nullptr));
    ASSERT_EQ(host.Dialogs().size(), 2u);
    EXPECT_EQ(host.Dialogs().back().result, IDOK);
    const QStringList names = Children(m_method);
    EXPECT_EQ(names, (QStringList{"\\\\OLD", "ABC", "ZED"}));
    EXPECT_TRUE(m_method->IsModified());
    EXPECT_TRUE(m_method->IsDataSet());
    for (CAlertLeaf* c = m_method->GetFirstChild(); c; c = c->GetNextSibling())
        EXPECT_EQ(c->GetContextMenu(), 134u);
    // The record of a typed name carries the "*" mark.
    auto* abc = dynamic_cast<CBroadcastRecipientLeaf*>(m_method->GetFirstChild()->GetNextSibling());
    ASSERT_TRUE(abc);
    EXPECT_EQ(abc->GetRecipientName(), QStringLiteral("ABC"));
    QByteArray record(int(CBroadcastRecipientLeaf::kRecordSize), '\0');
    OUTPUTDESC out;
    out.position = reinterpret_cast<BYTE*>(record.data());
    out.room = CBroadcastRecipientLeaf::kRecordSize;
    ASSERT_TRUE(abc->GetData(&out, 0));
    EXPECT_EQ(QByteArray(record.constData()), QByteArray("ABC*"));
}

TEST_F(BroadcastDlgTest, AMethodReloadedAwayWhileTheDialogIsOpenIsNotWrittenTo)
{
    ScriptedUiHost host;
    ScopedUiHost scope(&host);
    host.PushDialog([&](QDialog* d) {
        Type(d, QStringLiteral("abc"));
        Press(d, 1014);
        // The table reloads inside the dialog's loop and takes its method leaves with it.
        m_method->DeleteLeaf();
        m_method = nullptr;
        d->accept();
    });
    CWeakPtr<CBroadcastMethodLeaf> method(m_method);
    ASSERT_TRUE(m_root->GetFirstChild()->OnCmdMsg(ID_EDIT_NEW, nullptr));
    EXPECT_FALSE(method);
    EXPECT_FALSE(m_root->HasChildren());
    ASSERT_EQ(host.Dialogs().size(), 1u);
    EXPECT_NE(host.Dialogs().back().result, IDOK) << "OK on a gone method ends as a cancel";
    EXPECT_EQ(host.BoxTexts(), QStringList{LoadString(IDS_EDITED_ITEM_GONE)});
}

} // namespace
