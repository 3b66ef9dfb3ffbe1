// The SMTP settings of a machine through command 3046 on the SMTP method leaf: what the dialog
// opens on, what OK stores (read back from the library), and what it refuses or keeps.
#include "../common/TempWorld.h"

#include "extern/Tarnix.h"
#include "framework/Commands.h"
#include "framework/ScriptedUiHost.h"
#include "methods/MethodLeaf.h"
#include "methods/SmtpSettingsDlg.h"
#include "platform/World.h"
#include "records/ByteField.h"
#include "res/Resources.h"
#include "tree/ALTLeaf.h"
#include "tree/AlertTreeCtrl.h"
#include "tree/MessageText.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

using R = CSmtpSettingsRecord;

class SmtpSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_tree = std::make_unique<CAlertTreeCtrl>();
        m_root = std::make_unique<CAlertLeaf>(m_tree.get());
        m_table = new CALTLeaf;
        ASSERT_TRUE(m_root->InsertChild(m_table));
        m_table->Bind(QStringLiteral("TESTPC"), QStringLiteral("QUELLIT"));
        m_method = new CSMTPMethodLeaf;
        ASSERT_TRUE(m_table->InsertChild(m_method));
    }
    static QByteArray Stored(int32_t* rc = nullptr)
    {
        QByteArray record(R::kSize, '\0');
        const int32_t result = AlertGetSMTPConfigInfo("TESTPC", record.data());
        if (rc)
            *rc = result;
        return record;
    }
    static void Store(const QByteArray& record)
    {
        QByteArray copy = record;
        ASSERT_EQ(AlertSetSMTPConfigInfo("TESTPC", copy.data()), 0);
    }
    static QByteArray Sample()
    {
        QByteArray r(R::kSize, '\0');
        Records::PutField(r.data() + R::kSenderOffset, 256, "alerts@example.com");
        Records::PutField(r.data() + R::kSubjectOffset, 256, "Stored subject");
        Records::PutField(r.data() + R::kServerOffset, 256, "mail.example.com");
        Records::PutField(r.data() + R::kUserOffset, 150, "mailer");
        Records::PutField(r.data() + R::kPasswordOffset, 50, "s3cret");
        Records::PutU32(r.data() + R::kAuthenticationOffset, 1);
        Records::PutU32(r.data() + R::kPortOffset, 587);
        Records::PutU32(r.data() + R::kSecurityOffset, 1);
        // Bytes the console does not use travel back as they were.
        r[1000] = 'k';
        return r;
    }
    static QString Text(const QByteArray& r, int offset, int size) { return Records::FieldText(r.constData() + offset, size); }
    static uint32_t U32(const QByteArray& r, int offset) { return Records::U32At(r.constData() + offset); }
    static QLineEdit* Edit(QDialog* d, int id) { return FindCtrl<QLineEdit>(d, id); }

    TempWorld m_world;
    ScriptedUiHost m_host;
    ScopedUiHost m_hostScope{&m_host};
    std::unique_ptr<CAlertTreeCtrl> m_tree;
    std::unique_ptr<CAlertLeaf> m_root;
    CALTLeaf* m_table = nullptr;
    CSMTPMethodLeaf* m_method = nullptr;
};

TEST_F(SmtpSettingsTest, AFreshMachineOpensOnTheSamplesAndOkStoresWhatIsShown)
{
    int32_t rc = 0;
    Stored(&rc);
    ASSERT_EQ(rc, 2);
    m_host.PushDialog([](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), Res::DialogCaption(191));
        EXPECT_EQ(Edit(d, 1116)->text(), LoadString(6106));
        EXPECT_EQ(Edit(d, 1118)->text(), LoadString(6107));
        EXPECT_EQ(Edit(d, 1122)->text(), QStringLiteral("25"));
        EXPECT_TRUE(FindCtrl<QRadioButton>(d, 1001)->isChecked());
        EXPECT_FALSE(FindCtrl<QCheckBox>(d, 1121)->isChecked());
        EXPECT_FALSE(Edit(d, 1119)->isEnabled());
        EXPECT_FALSE(Edit(d, 1120)->isEnabled());
        FindCtrl<QCheckBox>(d, 1121)->click();
        EXPECT_TRUE(Edit(d, 1119)->isEnabled());
        EXPECT_TRUE(Edit(d, 1120)->isEnabled());
        Edit(d, 1117)->setText(QStringLiteral("smtp.example.com"));
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    m_method->OnCmdMsg(ID_SMTP_SETTINGS, nullptr);
    const QByteArray r = Stored(&rc);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(Text(r, R::kSenderOffset, 256), LoadString(6106));
    EXPECT_EQ(Text(r, R::kSubjectOffset, 256), LoadString(6107));
    EXPECT_EQ(Text(r, R::kServerOffset, 256), QStringLiteral("smtp.example.com"));
    EXPECT_EQ(U32(r, R::kPortOffset), 25u);
    EXPECT_EQ(U32(r, R::kAuthenticationOffset), 1u);
    EXPECT_EQ(U32(r, R::kSecurityOffset), 0u);
    EXPECT_TRUE(m_host.BoxTexts().isEmpty());
}

TEST_F(SmtpSettingsTest, TheStoredSettingsRoundTripAndAnUntouchedPasswordStays)
{
    Store(Sample());
    m_host.PushDialog([](QDialog* d) {
        EXPECT_EQ(Edit(d, 1116)->text(), QStringLiteral("alerts@example.com"));
        EXPECT_EQ(Edit(d, 1118)->text(), QStringLiteral("Stored subject"));
        EXPECT_EQ(Edit(d, 1117)->text(), QStringLiteral("mail.example.com"));
        EXPECT_EQ(Edit(d, 1122)->text(), QStringLiteral("587"));
        EXPECT_EQ(Edit(d, 1119)->text(), QStringLiteral("mailer"));
        // The password is never shown.
        EXPECT_TRUE(Edit(d, 1120)->text().isEmpty());
        EXPECT_TRUE(FindCtrl<QRadioButton>(d, 1003)->isChecked());   // 1 is TLS
        FindCtrl<QRadioButton>(d, 1002)->click();
        d->accept();
    });
    m_method->OnCmdMsg(ID_SMTP_SETTINGS, nullptr);
    QByteArray expected = Sample();
    Records::PutU32(expected.data() + R::kSecurityOffset, 2);
    EXPECT_EQ(Stored(), expected);

    // A typed password is stored, and so is one typed and then cleared.
    m_host.PushDialog([](QDialog* d) {
        EXPECT_TRUE(FindCtrl<QRadioButton>(d, 1002)->isChecked());
        Edit(d, 1120)->setText(QStringLiteral("n3w"));
        Edit(d, 1120)->setModified(true);
        d->accept();
    });
    m_method->OnCmdMsg(ID_SMTP_SETTINGS, nullptr);
    EXPECT_EQ(Text(Stored(), R::kPasswordOffset, 50), QStringLiteral("n3w"));
    m_host.PushDialog([](QDialog* d) {
        Edit(d, 1120)->setText(QStringLiteral("x"));
        Edit(d, 1120)->clear();
        Edit(d, 1120)->setModified(true);
        d->accept();
    });
    m_method->OnCmdMsg(ID_SMTP_SETTINGS, nullptr);
    EXPECT_EQ(Text(Stored(), R::kPasswordOffset, 50), QString());
}

TEST_F(SmtpSettingsTest, AnyOtherSecurityShowsAsSslAndCancelWritesNothing)
{
    QByteArray r = Sample();
    Records::PutU32(r.data() + R::kSecurityOffset, 2);
    Store(r);
    m_host.PushDialog([](QDialog* d) {
        EXPECT_TRUE(FindCtrl<QRadioButton>(d, 1002)->isChecked());
        FindCtrl<QRadioButton>(d, 1001)->click();
        Edit(d, 1117)->setText(QStringLiteral("changed.example.com"));
        FindCtrl<QPushButton>(d, IDCANCEL)->click();
    });
    m_method->OnCmdMsg(ID_SMTP_SETTINGS, nullptr);
    EXPECT_EQ(Stored(), r);
}

TEST_F(SmtpSettingsTest, ASenderWithMarkupOrABadPortIsRefusedAndTheDialogStays)
{
    Store(Sample());
    bool stayed = false;
    m_host.PushDialog([&](QDialog* d) {
        Edit(d, 1116)->setText(QStringLiteral("Ops <ops@example.com>"));
        d->accept();
        const bool afterSender = d->result() != QDialog::Accepted;
        Edit(d, 1116)->setText(QStringLiteral("ops@example.com"));
        Edit(d, 1122)->setText(QStringLiteral("0"));
        d->accept();
        const bool afterZero = d->result() != QDialog::Accepted;
        Edit(d, 1122)->setText(QStringLiteral("2525"));
        d->accept();
        stayed = afterSender && afterZero;
    });
    m_method->OnCmdMsg(ID_SMTP_SETTINGS, nullptr);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(m_host.BoxTexts(),
              QStringList({LoadString(4022), FormatString(61714, {QStringLiteral("1"), QStringLiteral("65535")})}));
    const QByteArray r = Stored();
    EXPECT_EQ(Text(r, R::kSenderOffset, 256), QStringLiteral("ops@example.com"));
    EXPECT_EQ(U32(r, R::kPortOffset), 2525u);
}

TEST_F(SmtpSettingsTest, TextsStayInsideTheirFieldsInBytes)
{
    m_host.PushDialog([](QDialog* d) {
        // 100 characters of three bytes each: the subject field holds 255 bytes.
        Edit(d, 1118)->setText(QString(100, QChar(0x8B66)));
        Edit(d, 1120)->setText(QString(40, QChar(0x5BC6)));
        Edit(d, 1120)->setModified(true);
        FindCtrl<QCheckBox>(d, 1121)->click();
        d->accept();
    });
    m_method->OnCmdMsg(ID_SMTP_SETTINGS, nullptr);
    const QByteArray r = Stored();
    EXPECT_EQ(Text(r, R::kSubjectOffset, 256), QString(85, QChar(0x8B66)));
    EXPECT_EQ(Text(r, R::kPasswordOffset, 50), QString(16, QChar(0x5BC6)));
}

TEST_F(SmtpSettingsTest, AFailedReadOpensNothingAndAFailedWriteKeepsWhatWasTyped)
{
    // A damaged settings file cannot be read: no dialog opens on zeros that OK would store.
    QString windows;
    ASSERT_EQ(World::ResolvePathOn(QStringLiteral("TESTPC"), QStringLiteral("C:\\WINDOWS"), &windows), 0u);
    const QString file = windows + QStringLiteral("/ALSMTP.DAT");
    {
        QFile damaged(file);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
        damaged.write("damaged");
    }
    int32_t rc = 0;
    Stored(&rc);
    ASSERT_NE(rc, 0);
    ASSERT_NE(rc, 2);
    m_method->OnCmdMsg(ID_SMTP_SETTINGS, nullptr);
    EXPECT_TRUE(m_host.Dialogs().empty());
    EXPECT_EQ(m_host.BoxTexts(), QStringList({FormatString(5129, {QStringLiteral("TESTPC"), CodeText(rc)})}));
    m_host.Clear();

    // The record cannot be replaced while the dialog is open: the write fails and the dialog
    // keeps what was typed, for the next OK.
    ASSERT_TRUE(QFile::remove(file));
    QString typedAfterFailure;
    m_host.PushDialog([&](QDialog* d) {
        Edit(d, 1117)->setText(QStringLiteral("kept.example.com"));
        ASSERT_TRUE(QDir().mkdir(file));
        d->accept();
        typedAfterFailure = d->result() == QDialog::Accepted ? QString() : Edit(d, 1117)->text();
        ASSERT_TRUE(QDir().rmdir(file));
        d->accept();
    });
    m_method->OnCmdMsg(ID_SMTP_SETTINGS, nullptr);
    EXPECT_EQ(typedAfterFailure, QStringLiteral("kept.example.com"));
    ASSERT_EQ(m_host.BoxTexts().size(), 1);
    EXPECT_TRUE(m_host.BoxTexts().at(0).startsWith(LoadString(5130).section(QLatin1Char('%'), 0, 0)));
    EXPECT_EQ(Text(Stored(), R::kServerOffset, 256), QStringLiteral("kept.example.com"));
}

} // namespace
