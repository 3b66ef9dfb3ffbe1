// The scripted UI host answers as a user would and records what the console showed; the
// conveniences take their caption from the string table.
#include "framework/ScriptedUiHost.h"
#include "framework/Clipboard.h"
#include "framework/Switches.h"
#include "framework/WaitCursor.h"
#include "res/Resources.h"

#include <QDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPrinter>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

// A dialog that refuses OK while its box is empty, as the console's dialogs do.
class CNameDlg : public QDialog {
public:
    CNameDlg()
    {
        auto* layout = new QVBoxLayout(this);
        m_edit = new QLineEdit(this);
        m_edit->setProperty("ctrlId", 1020);
        layout->addWidget(m_edit);
    }
    void showEvent(QShowEvent* e) override
    {
        setWindowTitle(QStringLiteral("Logon"));
        QDialog::showEvent(e);
    }
    void accept() override
    {
        ++attempts;
        if (m_edit->text().isEmpty())
            return;
        name = m_edit->text();
        QDialog::accept();
    }
    QLineEdit* m_edit;
    QString name;
    int attempts = 0;
};

TEST(UiHost, DefaultAnswerIsTheDefaultButton)
{
    EXPECT_EQ(DefaultMessageBoxAnswer(MB_OK), IDOK);
    EXPECT_EQ(DefaultMessageBoxAnswer(MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(DefaultMessageBoxAnswer(MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(DefaultMessageBoxAnswer(MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
    EXPECT_EQ(DefaultMessageBoxAnswer(MB_RETRYCANCEL), IDRETRY);
    // A default beyond the buttons falls back to the first.
    EXPECT_EQ(DefaultMessageBoxAnswer(MB_OK | MB_DEFBUTTON3), IDOK);
}

TEST(UiHost, ScriptedBoxesAnswerFromTheQueueAndRecord)
{
    ScriptedUiHost host;
    ScopedUiHost scope(&host);
    EXPECT_EQ(UiHost::Current(), &host);
    host.PushAnswer(IDNO);
    EXPECT_EQ(AfxMessageBox(QStringLiteral("first?"), MB_YESNO), IDNO);
    EXPECT_EQ(AfxMessageBox(QStringLiteral("second?"), MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(AfxMessageBox(QStringLiteral("third"), MB_OKCANCEL), IDOK);
    ASSERT_EQ(host.Boxes().size(), 3u);
    EXPECT_EQ(host.BoxTexts(), (QStringList{"first?", "second?", "third"}));
    EXPECT_EQ(host.Boxes()[0].caption, LoadString(57344));
    EXPECT_EQ(host.Boxes()[1].type, MB_YESNO | MB_DEFBUTTON2);
    EXPECT_EQ(host.Boxes()[2].answer, IDOK);
}

TEST(UiHost, StringIdBoxUsesTheTable)
{
    ScriptedUiHost host;
    ScopedUiHost scope(&host);
    AfxMessageBox(5101);
    ASSERT_EQ(host.Boxes().size(), 1u);
    EXPECT_FALSE(host.Boxes()[0].text.isEmpty());
    EXPECT_EQ(host.Boxes()[0].text, LoadString(5101));
}

TEST(UiHost, ScopeRestoresThePreviousHost)
{
    UiHost* before = UiHost::Current();
    {
        ScriptedUiHost host;
        ScopedUiHost scope(&host);
        EXPECT_EQ(UiHost::Current(), &host);
    }
    EXPECT_EQ(UiHost::Current(), before);
    EXPECT_NE(dynamic_cast<QtUiHost*>(UiHost::Current()), nullptr);
}

TEST(UiHost, DialogScriptFillsControlsAndARefusedAcceptKeepsItOpen)
{
    ScriptedUiHost host;
    ScopedUiHost scope(&host);
    CNameDlg refused;
    host.PushDialog([](QDialog* d) { d->accept(); });
    EXPECT_EQ(host.RunModal(&refused), QDialog::Rejected);
    EXPECT_EQ(refused.attempts, 1);

    CNameDlg filled;
    host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1020)->setText(QStringLiteral("SERVER2"));
        d->accept();
    });
    EXPECT_EQ(host.RunModal(&filled), QDialog::Accepted);
    EXPECT_EQ(filled.name, QStringLiteral("SERVER2"));
    ASSERT_EQ(host.Dialogs().size(), 2u);
    EXPECT_EQ(host.Dialogs()[1].title, QStringLiteral("Logon"));
    EXPECT_EQ(host.Dialogs()[1].result, QDialog::Accepted);

    // No script: cancelled.
    CNameDlg unscripted;
    EXPECT_EQ(host.RunModal(&unscripted), QDialog::Rejected);
    EXPECT_FALSE(unscripted.isVisible());
}

TEST(UiHost, FilePrintAndBrowser)
{
    ScriptedUiHost host;
    ScopedUiHost scope(&host);
    QString path;
    host.PushFileName(QStringLiteral("/tmp/x.txt"));
    host.PushFileName(QString());
    EXPECT_TRUE(UiHost::Current()->GetOpenFileName(nullptr, QStringLiteral("Open"), {}, {}, &path));
    EXPECT_EQ(path, QStringLiteral("/tmp/x.txt"));
    EXPECT_FALSE(UiHost::Current()->GetSaveFileName(nullptr, QStringLiteral("Save"), {}, {}, &path));
    EXPECT_FALSE(UiHost::Current()->GetOpenFileName(nullptr, QStringLiteral("Again"), {}, {}, &path));
    EXPECT_EQ(host.FileDialogCaptions(), (QStringList{"Open", "Save", "Again"}));

    QPrinter printer;
    EXPECT_FALSE(UiHost::Current()->PrintDialog(&printer));
    QTemporaryDir dir;
    host.SetPrintToFile(dir.filePath(QStringLiteral("out.pdf")));
    EXPECT_TRUE(UiHost::Current()->PrintDialog(&printer));
    EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
    EXPECT_EQ(printer.outputFileName(), dir.filePath(QStringLiteral("out.pdf")));
    EXPECT_EQ(host.PrintDialogs(), 2);

    const QUrl url = QUrl::fromLocalFile(QStringLiteral("/w/Index.htm"));
    EXPECT_TRUE(UiHost::Current()->OpenUrl(url));
    host.SetOpenUrlResult(false);
    EXPECT_FALSE(UiHost::Current()->OpenUrl(url));
    EXPECT_EQ(host.OpenedUrls().size(), 2);
}

TEST(WaitCursor, NestsAndRestores)
{
    EXPECT_FALSE(CWaitCursor::IsShowing());
    {
        CWaitCursor outer;
        EXPECT_TRUE(CWaitCursor::IsShowing());
        {
            CWaitCursor inner;
            EXPECT_TRUE(CWaitCursor::IsShowing());
        }
        EXPECT_TRUE(CWaitCursor::IsShowing());
        QGuiApplication::changeOverrideCursor(QCursor(Qt::ArrowCursor));
        outer.Restore();
        EXPECT_TRUE(CWaitCursor::IsShowing());
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(Switches, NotifyParentReturnsThePreviousValue)
{
    Switches::Reset();
    EXPECT_TRUE(Switches::NotifyParent());
    EXPECT_TRUE(Switches::SetNotifyParent(false));
    EXPECT_FALSE(Switches::SetNotifyParent(true));
    EXPECT_TRUE(Switches::AskBeforeDelete());
    EXPECT_FALSE(Switches::DeleteApproved());
}

TEST(ConsoleSettings, TableOrderNamesAndDefaults)
{
    ConsoleSettings::ResetDefaults();
    const char* names[] = {"NetTreeDefaultExpandBroadcast", "NetTreeDefaultExpandEventlog",
                           "NetTreeDefaultExpandServer", "LargeToolbar"};
    for (int i = 0; i < ConsoleSettings::Count; ++i)
        EXPECT_EQ(ConsoleSettings::ValueName(i), QString::fromLatin1(names[i]));
    EXPECT_EQ(ConsoleSettings::Get(ConsoleSettings::ExpandBroadcast), 0u);
    EXPECT_EQ(ConsoleSettings::Get(ConsoleSettings::ExpandServer), 0u);
    EXPECT_TRUE(ConsoleSettings::LargeToolbarOn());
    ConsoleSettings::Set(ConsoleSettings::LargeToolbar, 0);
    EXPECT_FALSE(ConsoleSettings::LargeToolbarOn());
    ConsoleSettings::ResetDefaults();
    EXPECT_TRUE(ConsoleSettings::LargeToolbarOn());
}

TEST(Clipboard, RegisteredNamesKeepTheirNumber)
{
    const UINT a = RegisterClipboardFormat(QStringLiteral("CAlertLeaf Object"));
    EXPECT_GE(a, 0xC000u);
    EXPECT_EQ(RegisterClipboardFormat(QStringLiteral("calertleaf object")), a);
    const UINT b = RegisterClipboardFormat(QStringLiteral("Another Format"));
    EXPECT_NE(a, b);
    EXPECT_EQ(ClipboardFormatName(a), QStringLiteral("CAlertLeaf Object"));
    EXPECT_EQ(RegisterClipboardFormat(QString()), 0u);
    EXPECT_TRUE(ClipboardFormatName(0x1234).isEmpty());
}

} // namespace
