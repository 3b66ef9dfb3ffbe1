// The port configuration leaf and its port leaves over PORT.CFG and PORTDEF.CFG: what the list
// shows, the bytes every change leaves in both files, the ids new configurations get, crafted
// and damaged files, a file changed elsewhere or not writable, and the port dialog's rules.
#include "PortsTestSupport.h"

#include "framework/Commands.h"
#include "framework/WaitCursor.h"
#include "records/ByteField.h"
#include "res/StringIds.h"
#include "tree/RegUtil.h"
#include "tree/MessageText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>


using namespace PortsTest;

namespace {

class PortLeafTest : public Fixture {
protected:
    // System default (id 1) and a modem (id 2, the default), with bytes the console does not
    // interpret in the header and both records.
    void TwoPorts()
    {
        m_system = Marked(Port(1, 1, "System default"));
        m_modem = Marked(Port(2, 2, "Modem on COM2", 2, 1, 1, 0));
        m_header = Header(3);
        WritePorts(m_header, {m_system, m_modem});
        WriteDefault(2);
    }
    // What the console must have written: the header it read with the count and next id given.
    QByteArray Expected(uint16_t nextId, const QVector<Records::PortRecord>& records) const
    {
        Records::PortHeader h = m_header;
        h.nextId = nextId;
        return Records::SerializePortFile(h, records);
    }
    QString Box(UINT id) const { return FormatString(id, {kThisComputer}); }

    Records::PortRecord m_system;
    Records::PortRecord m_modem;
    Records::PortHeader m_header;
};

// Fills the port dialog's lists by index; -1 leaves one as it is.
void Choose(QDialog* d, int port, int baud, int stopBits, int dataBits, int parity)
{
    const std::pair<int, int> lists[] = {{1048, port}, {1050, baud}, {1049, stopBits}, {1051, dataBits}, {1052, parity}};
    for (const auto& [id, index] : lists) {
        if (index >= 0)
            FindCtrl<QComboBox>(d, id)->setCurrentIndex(index);
    }
}

TEST_F(PortLeafTest, TheListShowsEveryConfigurationWithTheDefaultMarked)
{
    TwoPorts();
    Records::PortRecord none = Port(3, 0, "No port", 0, 0, 2, 1);
    WritePorts(m_header, {m_system, m_modem, none});
    CPortConfigLeaf* config = AddConfig();
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(config->GetName(), U("連接埠"));
    // Sorted by description.
    EXPECT_EQ(Names(config), QStringList({"Modem on COM2", "No port", "System default"}));

    QString heading;
    WORD format = 0;
    const QStringList rows = Rows(config, &heading, &format);
    EXPECT_EQ(heading, LoadString(4015));
    EXPECT_EQ(format, DISPLAY_COLUMNS);
    EXPECT_EQ(rows, QStringList({U("COM2\tModem on COM2 (預設)\tCOM2\t2400\t偶數\t8\t1\t是"),
                                 U("\tNo port\t\t300\t奇數\t7\t2\t否"),
                                 U("COM1\tSystem default\tCOM1\t9600\t無\t8\t1\t否")}));
    // One configuration alone shows its row as labels.
    Rows(PortById(config, 1), &heading, &format);
    EXPECT_EQ(format, DISPLAY_LABELS);
    EXPECT_EQ(heading, LoadString(4015));
    EXPECT_TRUE(m_host.BoxTexts().isEmpty()) << m_host.BoxTexts().join('|').toStdString();
    // Nothing was written by looking.
    EXPECT_EQ(PortsBytes(), Records::SerializePortFile(m_header, {m_system, m_modem, none}));
}

TEST_F(PortLeafTest, AddEditDefaultAndDeleteChangeBothFilesExactly)
{
    TwoPorts();
    CPortConfigLeaf* config = AddConfig();
    ASSERT_NE(config, nullptr);

    // New: id 3, COM3 at 4800, 2 stop bits, 7 data bits, odd parity, made the default.
    m_host.PushDialog([](QDialog* d) {
        EXPECT_EQ(d->windowTitle(), Res::DialogCaption(164));
        auto* ok = FindCtrl<QPushButton>(d, IDOK);
        auto* useAsDefault = FindCtrl<QCheckBox>(d, 1053);
        EXPECT_FALSE(ok->isEnabled());
        EXPECT_TRUE(useAsDefault->isEnabled());
        EXPECT_FALSE(useAsDefault->isChecked());
        EXPECT_EQ(FindCtrl<QComboBox>(d, 1048)->currentText(), QStringLiteral("COM1"));
        EXPECT_EQ(FindCtrl<QComboBox>(d, 1048)->count(), 4);
        FindCtrl<QLineEdit>(d, 1047)->setText(QStringLiteral("Pager modem"));
        EXPECT_TRUE(ok->isEnabled());
        Choose(d, 2, 3, 1, 0, 2);
        useAsDefault->setChecked(true);
        ok->click();
    });
    ASSERT_TRUE(config->OnCmdMsg(ID_EDIT_NEW, nullptr));
    Records::PortRecord added = Port(3, 3, "Pager modem", 3, 0, 2, 1);
    EXPECT_EQ(PortsBytes(), Expected(4, {m_modem, m_system, added}));
    EXPECT_EQ(DefaultFileBytes(), DefaultBytes(3));
    EXPECT_EQ(Names(config), QStringList({"Modem on COM2", "System default", "Pager modem"}));

    // Edit the system default's description; the other fields stay as stored.
    CPortLeaf* system = PortById(config, 1);
    m_host.PushDialog([](QDialog* d) {
        auto* useAsDefault = FindCtrl<QCheckBox>(d, 1053);
        EXPECT_FALSE(useAsDefault->isChecked());
        EXPECT_EQ(FindCtrl<QComboBox>(d, 1050)->currentText(), QStringLiteral("9600"));
        EXPECT_EQ(FindCtrl<QComboBox>(d, 1051)->currentText(), QStringLiteral("8"));
        FindCtrl<QLineEdit>(d, 1047)->setText(QStringLiteral("Main line"));
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    ASSERT_TRUE(system->OnCmdMsg(ID_EDIT_EDIT, nullptr));
    Records::PortRecord main = m_system;
    main.description = "Main line";
    EXPECT_EQ(PortsBytes(), Expected(4, {m_modem, main, added}));
    EXPECT_EQ(system->GetName(), QStringLiteral("Main line"));

    // Use as default writes PORTDEF.CFG alone.
    const QByteArray before = PortsBytes();
    CPortLeaf* modem = PortById(config, 2);
    ASSERT_TRUE(modem->OnCmdMsg(ID_EDIT_USE_AS_DEFAULT, nullptr));
    EXPECT_EQ(DefaultFileBytes(), DefaultBytes(2));
    EXPECT_EQ(PortsBytes(), before);
    EXPECT_TRUE(modem->IsDefault());
    // The default's dialog shows the box checked and disabled.
    m_host.PushDialog([](QDialog* d) {
        EXPECT_TRUE(FindCtrl<QCheckBox>(d, 1053)->isChecked());
        EXPECT_FALSE(FindCtrl<QCheckBox>(d, 1053)->isEnabled());
        d->reject();
    });
    modem->OnDoubleClick(0, 0, 0);
    EXPECT_EQ(m_host.Dialogs().size(), 3u);

    // Deleting the default makes the system default the default again.
    ASSERT_TRUE(modem->OnCmdMsg(ID_EDIT_DELETE, nullptr));
    EXPECT_EQ(PortsBytes(), Expected(4, {main, added}));
    EXPECT_EQ(DefaultFileBytes(), DefaultBytes(1));

    // The system default cannot be deleted.
    system = PortById(config, 1);
    CCmdUI ui(ID_EDIT_DELETE);
    system->OnCmdMsg(ID_EDIT_DELETE, &ui);
    EXPECT_FALSE(ui.IsEnabled());
    ASSERT_TRUE(system->OnCmdMsg(ID_EDIT_DELETE, nullptr));
    EXPECT_EQ(m_host.BoxTexts(), QStringList({LoadString(5504)}));
    EXPECT_EQ(PortsBytes(), Expected(4, {main, added}));
    EXPECT_EQ(Names(config), QStringList({"Main line", "Pager modem"}));

    // Ids are never reused: after the highest goes, the next new one is fresh.
    ASSERT_TRUE(PortById(config, 3)->OnCmdMsg(ID_EDIT_DELETE, nullptr));
    EXPECT_EQ(PortsBytes(), Expected(4, {main}));
    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1047)->setText(QStringLiteral("Fresh"));
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    config->NewItem(0, 0, 0);
    EXPECT_EQ(PortsBytes(), Expected(5, {main, Port(4, 1, "Fresh", 0, 0, 0, 0)}));
    // Two configurations: the default stays the system's.
    EXPECT_EQ(DefaultFileBytes(), DefaultBytes(1));
}

TEST_F(PortLeafTest, ACancelledNewConfigurationWritesNothingButItsIdIsNotGivenAgain)
{
    TwoPorts();
    CPortConfigLeaf* config = AddConfig();
    const QByteArray ports = PortsBytes();
    const QFileInfo before(m_world.Path(kPortsFile));
    config->NewItem(0, 0, 0);   // no script: cancelled
    EXPECT_EQ(m_host.Dialogs().size(), 1u);
    EXPECT_EQ(Names(config), QStringList({"Modem on COM2", "System default"}));
    EXPECT_EQ(PortsBytes(), ports);
    EXPECT_EQ(QFileInfo(m_world.Path(kPortsFile)).lastModified(), before.lastModified());
    EXPECT_EQ(DefaultFileBytes(), DefaultBytes(2));

    // The next save stores the advanced next id, and the next new configuration is id 4.
    m_host.PushDialog([](QDialog* d) { FindCtrl<QPushButton>(d, IDOK)->click(); });
    PortById(config, 2)->OnDoubleClick(0, 0, 0);
    EXPECT_EQ(PortsBytes(), Expected(4, {m_modem, m_system}));
    EXPECT_EQ(config->PeekNextId(), 4);
}

TEST_F(PortLeafTest, TheDescriptionIsAcceptedUpTo62CharactersAndTypedUpToItsStoredBytes)
{
    TwoPorts();
    CPortConfigLeaf* config = AddConfig();
    m_host.PushDialog([](QDialog* d) {
        auto* description = FindCtrl<QLineEdit>(d, 1047);
        description->setText(QString(63, QLatin1Char('x')));
        d->accept();
        EXPECT_TRUE(d->isVisible());   // refused, still open
        description->setText(QString(62, QLatin1Char('y')));
        d->accept();
    });
    config->NewItem(0, 0, 0);
    EXPECT_EQ(m_host.BoxTexts(), QStringList({U("請輸入不超過 62 個字元。")}));
    CPortLeaf* added = PortById(config, 3);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->GetDescription(), QString(62, QLatin1Char('y')));

    // Chinese text: 42 characters fill the 127 bytes the field holds; the 43rd cannot be typed.
    m_host.PushDialog([](QDialog* d) {
        auto* description = FindCtrl<QLineEdit>(d, 1047);
        description->clear();
        description->setFocus();
        for (int i = 0; i < 43; ++i)
            QTest::sendKeyEvent(QTest::Click, description, Qt::Key_unknown, QString(QChar(0x9023)), Qt::NoModifier);
        EXPECT_EQ(description->text(), QString(42, QChar(0x9023)));
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    added->OnCmdMsg(ID_EDIT_EDIT, nullptr);
    const QByteArray record = PortsBytes().mid(3 * 512, 512);
    EXPECT_EQ(Records::FieldBytes(record.constData() + 276, 128), QString(42, QChar(0x9023)).toUtf8());
}

TEST_F(PortLeafTest, PortNumberZeroShowsNoNameAndOpensOnCom1)
{
    m_header = Header(3);
    WritePorts(m_header, {Port(1, 1, "System default"), Port(2, 0, "Unassigned")});
    WriteDefault(1);
    CPortConfigLeaf* config = AddConfig();
    EXPECT_EQ(Rows(PortById(config, 2)), QStringList({U("\tUnassigned\t\t9600\t無\t8\t1\t否")}));
    m_host.PushDialog([](QDialog* d) {
        EXPECT_EQ(FindCtrl<QComboBox>(d, 1048)->currentText(), QStringLiteral("COM1"));
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    PortById(config, 2)->OnDoubleClick(0, 0, 0);
    EXPECT_EQ(PortsBytes(), Expected(3, {Port(1, 1, "System default"), Port(2, 1, "Unassigned")}));
}

TEST_F(PortLeafTest, AHeaderCountAboveTheRecordsLoadsTheWholeRecordsAndSavesOnlyThem)
{
    m_header = Header(3);
    QByteArray file = Records::SerializePortFile(m_header, {Port(1, 1, "System default"), Port(2, 2, "Second")});
    file[0] = char(9);                                              // nine claimed
    file += Records::SerializePortRecord(Port(3, 3, "Cut short")).left(300);   // a torn third
    ASSERT_TRUE(m_world.Write(kPortsFile, file));
    WriteDefault(1);
    CPortConfigLeaf* config = AddConfig();
    EXPECT_EQ(Names(config), QStringList({"Second", "System default"}));
    EXPECT_TRUE(m_host.BoxTexts().isEmpty());

    m_host.PushDialog([](QDialog* d) { FindCtrl<QPushButton>(d, IDOK)->click(); });
    PortById(config, 2)->OnCmdMsg(ID_EDIT_EDIT, nullptr);
    EXPECT_EQ(PortsBytes(), Expected(3, {Port(2, 2, "Second"), Port(1, 1, "System default")}));
    EXPECT_EQ(PortsBytes().size(), 3 * 512);
}

TEST_F(PortLeafTest, FieldsWithoutTerminatorsAreReadWholeAndWrittenBackUnchanged)
{
    m_header = Header(3);
    m_header.count = 2;
    QByteArray second = Records::SerializePortRecord(Port(2, 2, ""));
    // Description: 128 bytes of Chinese with no terminator (42 characters and 2 bytes of a 43rd);
    // port name: 256 bytes of 'N'.
    const QByteArray chinese = QString(43, QChar(0x9023)).toUtf8().left(128);
    second.replace(276, 128, chinese);
    second.replace(4, 256, QByteArray(256, 'N'));
    ASSERT_TRUE(m_world.Write(kPortsFile, Records::SerializePortHeader(m_header) +
                                              Records::SerializePortRecord(Port(1, 1, "System default")) + second));
    CPortConfigLeaf* config = AddConfig();
    ASSERT_EQ(config->ChildCount(), 2);
    CPortLeaf* port = PortById(config, 2);
    EXPECT_TRUE(port->GetDescription().startsWith(QString(42, QChar(0x9023))));

    // Another configuration's edit writes both back.
    m_host.PushDialog([](QDialog* d) { FindCtrl<QPushButton>(d, IDOK)->click(); });
    PortById(config, 1)->OnCmdMsg(ID_EDIT_EDIT, nullptr);
    const QByteArray bytes = PortsBytes();
    const int at = Names(config).indexOf(port->GetName()) + 1;
    const QByteArray written = bytes.mid(at * 512, 512);
    // A field read at its full width goes back as it was read: rewriting one record never
    // changes another.
    EXPECT_EQ(written.mid(276, 128), chinese);
    EXPECT_EQ(written.mid(4, 256), QByteArray(256, 'N'));
}

TEST_F(PortLeafTest, NextIdsAreRaisedAboveTheLargestIdAndNeverWrap)
{
    // A zero next id.
    m_header = Header(0);
    WritePorts(m_header, {Port(1, 1, "System default"), Port(5, 2, "Five")});
    CPortConfigLeaf* config = AddConfig();
    EXPECT_EQ(config->PeekNextId(), 6);
    // One at or below an existing id.
    m_header = Header(3);
    WritePorts(m_header, {Port(1, 1, "System default"), Port(7, 2, "Seven"), Port(2, 3, "Two")});
    Rows(config);   // the size changed: reloaded
    ASSERT_EQ(config->ChildCount(), 3);
    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1047)->setText(QStringLiteral("Eight"));
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    config->NewItem(0, 0, 0);
    EXPECT_EQ(PortsBytes(), Expected(9, {Port(7, 2, "Seven"), Port(1, 1, "System default"), Port(2, 3, "Two"),
                                         Port(8, 1, "Eight", 0, 0, 0, 0)}));

    // With the largest id at 65534 none is left: nothing is added and the user is told.
    m_header = Header(0);
    WritePorts(m_header, {Port(1, 1, "System default"), Port(65534, 2, "Last")});
    Rows(config);
    EXPECT_EQ(config->PeekNextId(), 0);
    m_host.Clear();
    config->NewItem(0, 0, 0);
    EXPECT_TRUE(m_host.Dialogs().empty());
    EXPECT_EQ(m_host.BoxTexts(), QStringList({Box(IDS_PORT_IDS_EXHAUSTED)}));
    EXPECT_EQ(config->ChildCount(), 2);
}

TEST_F(PortLeafTest, MissingOrStrangeDefaultFiles)
{
    TwoPorts();
    ASSERT_TRUE(QFile::remove(m_world.Path(kDefaultFile)));
    CPortConfigLeaf* config = AddConfig();
    EXPECT_EQ(config->GetDefault(), 1);
    EXPECT_TRUE(PortById(config, 1)->IsDefault());
    EXPECT_TRUE(m_host.BoxTexts().isEmpty());
    // A save writes the default it holds.
    m_host.PushDialog([](QDialog* d) { FindCtrl<QPushButton>(d, IDOK)->click(); });
    PortById(config, 2)->OnDoubleClick(0, 0, 0);
    EXPECT_EQ(DefaultFileBytes(), DefaultBytes(1));

    // A default naming no configuration marks none.
    WriteDefault(9);
    WritePorts(m_header, {m_system, m_modem, Port(3, 3, "Third")});
    const QStringList rows = Rows(config);
    ASSERT_EQ(rows.size(), 3);
    for (const QString& row : rows)
        EXPECT_TRUE(row.endsWith(U("\t否"))) << row.toStdString();
}

TEST_F(PortLeafTest, WithoutAPortFileTheFirstConfigurationMakesItAsId1)
{
    ASSERT_TRUE(QFile::remove(m_world.Path(kPortsFile)));
    CPortConfigLeaf* config = AddConfig();
    EXPECT_EQ(config->ChildCount(), 0);
    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1047)->setText(QStringLiteral("First"));
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    config->NewItem(0, 0, 0);
    EXPECT_TRUE(m_host.BoxTexts().isEmpty()) << m_host.BoxTexts().join('|').toStdString();
    Records::PortHeader header;
    header.nextId = 2;
    header.rest.fill('\0');
    EXPECT_EQ(PortsBytes(), Records::SerializePortFile(header, {Port(1, 1, "First", 0, 0, 0, 0)}));
    EXPECT_EQ(DefaultFileBytes(), DefaultBytes(1));
}

TEST_F(PortLeafTest, AFileChangedElsewhereIsNotOverwrittenButReloadedOnce)
{
    TwoPorts();
    CPortConfigLeaf* config = AddConfig();
    // Another console rewrites the file: same size, other contents.
    Records::PortRecord theirs = m_modem;
    theirs.description = "Their modem";
    WritePorts(m_header, {m_system, theirs});
    Later(kPortsFile);
    const QByteArray outside = PortsBytes();

    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1047)->setText(QStringLiteral("Mine"));
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    PortById(config, 1)->OnDoubleClick(0, 0, 0);
    EXPECT_EQ(PortsBytes(), outside);
    EXPECT_EQ(DefaultFileBytes(), DefaultBytes(2));
    EXPECT_EQ(m_host.BoxTexts(), QStringList({FormatString(IDS_CHANGED_ELSEWHERE, {QStringLiteral("PORT.CFG"), kThisComputer})}));
    EXPECT_EQ(Names(config), QStringList({"System default", "Their modem"}));

    // What was reloaded is now the file the console knows: the next change is written.
    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1047)->setText(QStringLiteral("Mine"));
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    PortById(config, 1)->OnDoubleClick(0, 0, 0);
    Records::PortRecord mine = m_system;
    mine.description = "Mine";
    EXPECT_EQ(PortsBytes(), Expected(3, {mine, theirs}));
    EXPECT_EQ(m_host.BoxTexts().size(), 1);
}

TEST_F(PortLeafTest, AFileThatCannotBeWrittenIsReportedAndShownAsStored)
{
    TwoPorts();
    CPortConfigLeaf* config = AddConfig();
    // The file's lock cannot be made, so the file cannot be written.
    const QByteArray before = PortsBytes();
    const QString lock = m_world.Path(QStringLiteral("machines/TESTPC/drives/C/ALERT/.PORT.CFG.lock"));
    QFile::remove(lock);
    ASSERT_TRUE(QDir().mkdir(lock));
    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1047)->setText(QStringLiteral("Lost"));
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    PortById(config, 1)->OnDoubleClick(0, 0, 0);
    EXPECT_EQ(m_host.BoxTexts(), QStringList({Box(IDS_PORT_FILE_NOT_WRITTEN)}));
    EXPECT_EQ(PortsBytes(), before);
    EXPECT_EQ(DefaultFileBytes(), DefaultBytes(2));
    // The next display shows what the file holds.
    EXPECT_EQ(Rows(config).size(), 2);
    EXPECT_EQ(Names(config), QStringList({"Modem on COM2", "System default"}));
}

TEST_F(PortLeafTest, TheFileIsReReadOnlyWhenItsSizeOrTimeChanged)
{
    TwoPorts();
    CPortConfigLeaf* config = AddConfig();
    CAlertLeaf* first = config->GetFirstChild();
    Rows(config);
    Rows(config);
    EXPECT_EQ(config->GetFirstChild(), first);   // same leaf: not re-read

    // Same size and time, other contents: not seen.
    const QString path = m_world.Path(kPortsFile);
    struct stat st {};
    ASSERT_EQ(::stat(path.toUtf8().constData(), &st), 0);
    Records::PortRecord other = m_modem;
    other.description = "Other modem!!";
    WritePorts(m_header, {m_system, other});
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.toUtf8().constData(), times, 0), 0);
    Rows(config);
    EXPECT_EQ(config->GetFirstChild(), first);

    // A new time alone is seen.
    Later(kPortsFile);
    Rows(config);
    EXPECT_EQ(Names(config), QStringList({"Other modem!!", "System default"}));
}

TEST_F(PortLeafTest, APathThatNeverComesIsReportedAfterTheAttemptsAllowed)
{
    ASSERT_EQ(WriteRegDword(QStringLiteral("Sentrel"), QString(), QStringLiteral("SetMaxTry"), 3), 0u);
    int asked = 0;
    PortFiles::SetResolver([&asked](const CAlertLeaf*, PortFiles::Kind kind, QString*) {
        if (kind == PortFiles::Kind::Ports)
            ++asked;
        return false;
    });
    // Making the leaf asks once and waits for nothing; showing it tries as often as allowed.
    CPortConfigLeaf* config = AddConfig();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(m_host.BoxTexts().isEmpty());
    asked = 0;
    Rows(config);
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(ReadRegDword(QStringLiteral("Sentrel"), QString(), QStringLiteral("PortMaxTry"), 0), 3u);
    EXPECT_EQ(m_host.BoxTexts(), QStringList({Box(5110)}));
    EXPECT_FALSE(CWaitCursor::IsShowing());

    // The default file's path is asked ten times.
    m_host.Clear();
    asked = 0;
    int askedDefault = 0;
    PortFiles::SetResolver([&askedDefault](const CAlertLeaf*, PortFiles::Kind kind, QString* path) {
        if (kind == PortFiles::Kind::Default) {
            ++askedDefault;
            return false;
        }
        *path = QStringLiteral("C:\\ALERT\\PORT.CFG");
        return true;
    });
    EXPECT_FALSE(config->WriteDefault());
    EXPECT_EQ(askedDefault, 10);
    EXPECT_EQ(m_host.BoxTexts(), QStringList({Box(5113)}));
}

} // namespace
