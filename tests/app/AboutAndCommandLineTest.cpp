// The About box's texts and layout, version texts of files in the world, the home directory
// queries and the command line.
#include "AppTestSupport.h"

#include "../common/TempWorld.h"
#include "app/AboutDlg.h"
#include "app/CommandLine.h"
#include "framework/ScriptedUiHost.h"
#include "platform/KernelObjects.h"
#include "platform/Registry.h"
#include "platform/VersionInfo.h"
#include "res/Resources.h"

#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

QString Expected(const QString& version, const QString& build)
{
    return LoadString(3522) + " " + version + "\t" + LoadString(3523) + " " + build;
}

// A world whose computer has the alert service installed (stopped), as a console expects.
bool InitServiceWorld()
{
    QProcess tool;
    tool.start(TestBinDir() + QStringLiteral("/alertworld"), {"init", "--demo"});
    return tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

bool WriteServiceExe(const TempWorld& world, const QString& relative, DWORD ms, DWORD ls)
{
    Version::VersionResource v;
    v.fileVersionMS = ms;
    v.fileVersionLS = ls;
    const QString path = world.Path(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    return Version::WritePeFile(path, &v);
}

TEST(AppDirectories, HomeAndHelpDefaultAndFromTheRegistry)
{
    TempWorld world;
    QString home;
    EXPECT_EQ(CAlertApp::GetHomeDirectory(&home), 8);
    EXPECT_EQ(home, QStringLiteral("C:\\ALERT"));
    EXPECT_EQ(CAlertApp::GetHelpDirectory(), QStringLiteral("C:\\ALERT\\Help\\"));
    ASSERT_EQ(Registry::PutString({}, "SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Path", "Home", "E:\\AL"), 0u);
    EXPECT_EQ(CAlertApp::GetHomeDirectory(&home), 5);
    EXPECT_EQ(CAlertApp::GetHelpDirectory(), QStringLiteral("E:\\AL\\Help\\"));
}

TEST(AppVersions, FileVersionTexts)
{
    TempWorld world;
    EXPECT_EQ(CAlertApp::VersionText("C:\\ALERT\\ALERT.EXE"), Expected("?.?", "?.?"));
    ASSERT_TRUE(WriteServiceExe(world, "machines/TESTPC/drives/C/ALERT/ALERT.EXE", 4u << 16 | 1, 218u << 16 | 7));
    EXPECT_EQ(CAlertApp::VersionText("C:\\ALERT\\ALERT.EXE"), Expected("4.1", "218"));
    // A file without a version resource reads as unknown.
    ASSERT_TRUE(Version::WritePeFile(world.Path("machines/TESTPC/drives/C/ALERT/PLAIN.EXE"), nullptr));
    EXPECT_EQ(CAlertApp::VersionText("C:\\ALERT\\PLAIN.EXE"), Expected("?.?", "?.?"));
    const QStringList own = QString::fromLatin1(VIGIMOR_VERSION_TEXT).split('.');
    ASSERT_GE(own.size(), 3);
    EXPECT_EQ(CAlertApp::OwnVersionText(), Expected(own[0] + "." + own[1], own[2]));
}

TEST(AboutBox, TextsLayoutAndTheServiceVersionFromTheHome)
{
    TempWorld world;
    ASSERT_EQ(Registry::PutString({}, "SOFTWARE\\Korvane\\ALERT\\CurrentVersion\\Path", "Home", "D:\\SVC"), 0u);
    ASSERT_TRUE(WriteServiceExe(world, "machines/TESTPC/drives/D/SVC/ALERT.EXE", 5u << 16 | 2, 300u << 16));
    ScriptedUiHost host;
    ScopedUiHost scope(&host);
    QStringList texts;
    int width = 0, expectedWidth = 0;
    host.PushDialog([&](QDialog* d) {
        for (int id : {1061, 1062, 1063, 1065}) {
            auto* label = FindCtrl<QLabel>(d, id);
            texts << (label ? label->text() : QStringLiteral("<missing>"));
        }
        auto* picture = FindCtrl<QLabel>(d, 1064);
        auto* about = static_cast<CAboutDlg*>(d);
        if (picture)
            expectedWidth = picture->pixmap().width() + 2 * about->Margin();
        width = d->width();
        FindCtrl<QPushButton>(d, 1)->click();
    });
    CAlertApp app;
    EXPECT_TRUE(app.OnCmdMsg(ID_APP_ABOUT, nullptr));
    ASSERT_EQ(host.Dialogs().size(), 1u);
    EXPECT_EQ(host.Dialogs()[0].title, LoadString(3521) + " " + LoadString(57344));
    EXPECT_EQ(host.Dialogs()[0].result, QDialog::Accepted);
    ASSERT_EQ(texts.size(), 4);
    EXPECT_EQ(texts[0], LoadString(3519));
    EXPECT_EQ(texts[1], LoadString(3520));
    EXPECT_EQ(texts[2], LoadString(3524) + " - " + CAlertApp::OwnVersionText());
    EXPECT_EQ(texts[3], LoadString(3525) + " - " + Expected("5.2", "300"));
    EXPECT_GT(expectedWidth, 0);
    EXPECT_EQ(width, expectedWidth);
}

TEST(AppCommands, VersionInformationOpensTheVersionDialog)
{
    TempWorld world;
    ScriptedUiHost host;
    ScopedUiHost scope(&host);
    CAlertApp app;
    EXPECT_TRUE(app.OnCmdMsg(ID_HELP_VERSION_INFO, nullptr));
    ASSERT_EQ(host.Dialogs().size(), 1u);
    EXPECT_EQ(host.Dialogs()[0].className, QStringLiteral("CVersionDlg"));
    CCmdUI ui(ID_APP_ABOUT);
    EXPECT_TRUE(app.OnCmdMsg(ID_APP_ABOUT, &ui));
    EXPECT_TRUE(ui.IsEnabled());
}

TEST(CommandLine, Options)
{
    CCommandLine a;
    QString error;
    EXPECT_TRUE(a.Parse({"vigimor"}, &error));
    EXPECT_TRUE(a.screenshotPath.isEmpty());
    EXPECT_EQ(a.screenshotAfterMs, 1500);
    EXPECT_FALSE(a.signalTermination);

    CCommandLine b;
    EXPECT_TRUE(b.Parse({"vigimor", "--screenshot", "/tmp/x.png", "--after=250"}, &error));
    EXPECT_EQ(b.screenshotPath, QStringLiteral("/tmp/x.png"));
    EXPECT_EQ(b.screenshotAfterMs, 250);

    CCommandLine c;
    EXPECT_TRUE(c.Parse({"vigimor", "--signal-termination"}, &error));
    EXPECT_TRUE(c.signalTermination);

    for (const QStringList& bad : {QStringList{"vigimor", "--screenshot"}, QStringList{"vigimor", "--after", "-4"},
                                   QStringList{"vigimor", "--after", "soon"}, QStringList{"vigimor", "--bogus"},
                                   QStringList{"vigimor", "--signal-termination=1"}}) {
        CCommandLine d;
        error.clear();
        EXPECT_FALSE(d.Parse(bad, &error)) << bad.join(' ').toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(ConsoleProcess, ScreenshotOfTheRealConsole)
{
    TempWorld world;
    ASSERT_TRUE(InitServiceWorld());
    const QString png = world.Path("shot.png");
    QProcess console;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VIGIMOR_TIME_SCALE"), QStringLiteral("0.01"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    console.setProcessEnvironment(env);
    console.start(TestBinDir() + QStringLiteral("/vigimor"), {"--screenshot", png, "--after", "5000"});
    ASSERT_TRUE(console.waitForFinished(60000));
    EXPECT_EQ(console.exitCode(), 0) << console.readAllStandardError().toStdString();
    QImage image(png);
    ASSERT_FALSE(image.isNull());
    EXPECT_GT(image.width(), 300);
    EXPECT_GT(image.height(), 200);
}

TEST(ConsoleProcess, SecondConsoleEndsAndTheTerminationEventClosesTheFirst)
{
    TempWorld world;
    ASSERT_TRUE(InitServiceWorld());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VIGIMOR_TIME_SCALE"), QStringLiteral("0.01"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QString exe = TestBinDir() + QStringLiteral("/vigimor");
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(exe, {});
    ASSERT_TRUE(first.waitForStarted(10000));
    QElapsedTimer clock;
    clock.start();
    while (Kernel::EnumTopLevelWindows().isEmpty() && clock.elapsed() < 30000 && first.state() == QProcess::Running)
        first.waitForFinished(20);
    ASSERT_FALSE(Kernel::EnumTopLevelWindows().isEmpty()) << "the first console shows its window";

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(exe, {});
    ASSERT_TRUE(second.waitForFinished(60000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running) << "the first console goes on";

    QProcess signal;
    signal.setProcessEnvironment(env);
    signal.start(exe, {"--signal-termination"});
    ASSERT_TRUE(signal.waitForFinished(30000));
    EXPECT_EQ(signal.exitCode(), 0);
    ASSERT_TRUE(first.waitForFinished(60000)) << "the termination event ends the console";
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
}

} // namespace
