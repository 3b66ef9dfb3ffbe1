// The service-account dialog against a machine's stored account: the password shown as at
// signs and kept when they are left alone, the test before the save, the "Impersonate" rule,
// the Exchange part, and the failures that keep the dialog open.
#include "ServerTestSupport.h"

#include "tree/MessageText.h"
#include "tree/ServiceAccountDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace ServerTest;

namespace {

class AccountDlgTest : public Fixture {
protected:
    void SetUp() override
    {
        Fixture::SetUp();
        SetImpersonate(1);
        AddRemote(QStringLiteral("SRV1"), false);
        ASSERT_EQ(ConnectAdmin(QStringLiteral("SRV1")), 0u);
    }

    static void Store(const QString& user, const QByteArray& password)
    {
        CServiceAccountRecord r;
        r.SetDomain(kAccountDomain);
        r.SetUser(user);
        r.SetPassword(password);
        r.SetExchangeServer(QStringLiteral("mx1"));
        r.SetExchangeMailbox(QStringLiteral("alerts"));
        ASSERT_EQ(AlertSetAccountInfo("SRV1", r.Data()), 0);
    }

    static CServiceAccountRecord Stored()
    {
        CServiceAccountRecord r;
        EXPECT_EQ(AlertGetAccountInfo("SRV1", r.Data()), 0);
        return r;
    }

    static QLineEdit* Edit(QDialog* d, int id) { return FindCtrl<QLineEdit>(d, id); }
};

TEST_F(AccountDlgTest, OpensWithTheStoredAccountAndThePasswordAsAtSigns)
{
    Store(kAccountUser, kAccountPassword.toUtf8());
    CServiceAccountDlg dlg(QStringLiteral("SRV1"), true, false);
    EXPECT_EQ(dlg.windowTitle(), LoadString(178));
    EXPECT_EQ(Edit(&dlg, 1048)->text(), kAccountDomain);
    EXPECT_EQ(Edit(&dlg, 1066)->text(), kAccountUser);
    EXPECT_EQ(Edit(&dlg, 1067)->text(), QStringLiteral("@@@@@@"));
    EXPECT_EQ(Edit(&dlg, 1068)->text(), QStringLiteral("mx1"));
    EXPECT_EQ(Edit(&dlg, 1069)->text(), QStringLiteral("alerts"));
    for (int id : {1048, 1066, 1067, 1068, 1069}) {
        EXPECT_TRUE(Edit(&dlg, id)->isEnabled()) << id;
        EXPECT_EQ(Edit(&dlg, id)->maxLength(), 47) << id;
    }
}

TEST_F(AccountDlgTest, UntouchedAtSignsKeepTheStoredPassword)
{
    Store(kAccountUser, kAccountPassword.toUtf8());
    m_host.PushDialog([](QDialog* d) { d->accept(); });
    CServiceAccountDlg dlg(QStringLiteral("SRV1"), false, false);
    EXPECT_EQ(m_host.RunModal(&dlg), 1);
    EXPECT_TRUE(m_host.Boxes().empty());
    CServiceAccountRecord r = Stored();
    EXPECT_EQ(r.Password(), kAccountPassword.toUtf8());
    EXPECT_EQ(r.User(), kAccountUser);
    EXPECT_EQ(r.ExchangeServer(), QStringLiteral("mx1"));
    EXPECT_EQ(r.InvalidFlag(), 0);

    // Retyping exactly as many at signs is the same as leaving them.
    m_host.PushDialog([](QDialog* d) {
        Edit(d, 1067)->setText(QStringLiteral("@@@@@@"));
        d->accept();
    });
    CServiceAccountDlg again(QStringLiteral("SRV1"), false, false);
    EXPECT_EQ(m_host.RunModal(&again), 1);
    EXPECT_EQ(Stored().Password(), kAccountPassword.toUtf8());
}

TEST_F(AccountDlgTest, WrongAccountKeepsTheDialogOpenAndWritesNothing)
{
    Store(kAccountUser, kAccountPassword.toUtf8());
    bool stayedOpen = false;
    m_host.PushDialog([&](QDialog* d) {
        Edit(d, 1066)->setText(QStringLiteral("Nobody"));
        d->accept();
        stayedOpen = d->isVisible() && d->result() != 1;
        // A new password that is wrong fails the same way.
        Edit(d, 1066)->setText(kAccountUser);
        Edit(d, 1067)->setText(QStringLiteral("@@@"));
        d->accept();
        d->reject();
    });
    CServiceAccountDlg dlg(QStringLiteral("SRV1"), false, false);
    EXPECT_EQ(m_host.RunModal(&dlg), 0);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(m_host.BoxTexts(),
              (QStringList{FormatString(5122, {QStringLiteral("SRV1"), QStringLiteral("Nobody"), QStringLiteral("1326")}),
                           FormatString(5122, {QStringLiteral("SRV1"), kAccountUser, QStringLiteral("1326")})}));
    CServiceAccountRecord r = Stored();
    EXPECT_EQ(r.User(), kAccountUser);
    EXPECT_EQ(r.Password(), kAccountPassword.toUtf8());
}

TEST_F(AccountDlgTest, NewPasswordIsTestedAndSavedWithTheInvalidFlag)
{
    Store(QStringLiteral("Old"), "old");
    m_host.PushDialog([](QDialog* d) {
        Edit(d, 1066)->setText(kAccountUser);
        Edit(d, 1067)->setText(kAccountPassword);
        d->accept();
    });
    CServiceAccountDlg dlg(QStringLiteral("SRV1"), false, true);
    EXPECT_EQ(m_host.RunModal(&dlg), 1);
    CServiceAccountRecord r = Stored();
    EXPECT_EQ(r.User(), kAccountUser);
    EXPECT_EQ(r.Password(), kAccountPassword.toUtf8());
    EXPECT_EQ(r.InvalidFlag(), 1);
}

TEST_F(AccountDlgTest, WithoutImpersonationTheAccountIsSavedUntested)
{
    SetImpersonate(0);
    m_host.PushDialog([](QDialog* d) {
        for (int id : {1048, 1066, 1067})
            EXPECT_FALSE(Edit(d, id)->isEnabled()) << id;
        Edit(d, 1066)->setText(QStringLiteral("Nobody"));
        d->accept();
    });
    CServiceAccountDlg dlg(QStringLiteral("SRV1"), false, false);
    EXPECT_EQ(m_host.RunModal(&dlg), 1);
    EXPECT_TRUE(m_host.Boxes().empty());
    EXPECT_EQ(Stored().User(), QStringLiteral("Nobody"));
}

TEST_F(AccountDlgTest, FailedSaveShowsTheCodeAndStaysOpen)
{
    SetImpersonate(0);
    Network::CancelAllConnections();
    // Without a connection nothing can be read (the boxes stay empty) or saved.
    m_host.PushDialog([](QDialog* d) {
        EXPECT_TRUE(Edit(d, 1066)->text().isEmpty());
        EXPECT_TRUE(Edit(d, 1067)->text().isEmpty());
        d->accept();
        d->reject();
    });
    CServiceAccountDlg dlg(QStringLiteral("SRV1"), false, false);
    EXPECT_EQ(m_host.RunModal(&dlg), 0);
    EXPECT_EQ(m_host.BoxTexts(), QStringList{FormatString(5121, {QStringLiteral("SRV1"), QStringLiteral("5")})});
}

TEST_F(AccountDlgTest, HiddenExchangePartMovesTheButtonsUp)
{
    CServiceAccountDlg shown(QStringLiteral("SRV1"), true, false);
    CServiceAccountDlg hidden(QStringLiteral("SRV1"), false, false);
    shown.show();
    hidden.show();
    QCoreApplication::processEvents();
    auto* note = FindCtrl<QLabel>(&hidden, 1072);
    ASSERT_TRUE(note);
    EXPECT_FALSE(note->isVisible());
    EXPECT_TRUE(FindCtrl<QLabel>(&shown, 1072)->isVisible());
    EXPECT_EQ(FindCtrl<QLabel>(&shown, 1072)->text(), Res::ControlText(178, 1072));
    for (int id : {1068, 1069})
        EXPECT_FALSE(Edit(&hidden, id)->isEnabled()) << id;
    for (int id : {1070, 1071})
        EXPECT_FALSE(FindCtrl<QLabel>(&hidden, id)->isEnabled()) << id;
    const int noteHeight = FindCtrl<QLabel>(&shown, 1072)->height();
    const int okShown = FindCtrl<QPushButton>(&shown, 1)->y();
    const int okHidden = FindCtrl<QPushButton>(&hidden, 1)->y();
    EXPECT_GE(okShown - okHidden, noteHeight);
    EXPECT_GE(shown.height() - hidden.height(), noteHeight);
    EXPECT_EQ(FindCtrl<QPushButton>(&shown, 2)->y(), okShown);
}

TEST_F(AccountDlgTest, ServiceAccountCommandOpensTheDialogWhileRunning)
{
    auto* leaf = new CServerLeaf;
    CAlertLeaf root(m_tree.get());
    ASSERT_TRUE(root.InsertChild(leaf));
    CCmdUI ui(3026);
    ASSERT_TRUE(leaf->OnCmdMsg(3026, &ui));
    EXPECT_FALSE(ui.IsEnabled());
    // Chosen anyway (an accelerator), it opens the dialog without the Exchange part.
    bool exchangeShown = true;
    m_host.PushDialog([&](QDialog* d) {
        exchangeShown = FindCtrl<QLabel>(d, 1072)->isVisible();
        d->reject();
    });
    ASSERT_TRUE(leaf->ExecuteCommand(3026));
    ASSERT_EQ(m_host.Dialogs().size(), 1u);
    EXPECT_EQ(m_host.Dialogs().front().title, LoadString(178));
    EXPECT_FALSE(exchangeShown);
}

} // namespace
