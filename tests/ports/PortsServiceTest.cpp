// Port configurations against a real alert service: the port leaf sits first under the
// configuration leaf and lists the machine's PORT.CFG; adding, editing, making default and
// deleting leave exactly the expected bytes in both files; the pager dialog offers those
// configurations and the chosen id reaches the library; and the console process shows the list
// under its heading when asked to select it.
#include "../server/ServerTestSupport.h"

#include "framework/Commands.h"
#include "methods/MethodLeaf.h"
#include "methods/PortLeaf.h"
#include "platform/GlobalMemory.h"
#include "records/ByteField.h"
#include "records/PortConfig.h"
#include "tarnix/MachineStore.h"
#include "tree/ConfigLeaf.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>

using namespace ServerTest;

namespace {

const QString kPortsFile = QStringLiteral("machines/TESTPC/drives/C/ALERT/PORT.CFG");
const QString kDefaultFile = QStringLiteral("machines/TESTPC/drives/C/ALERT/PORTDEF.CFG");

Records::PortRecord Port(uint16_t id, uint16_t number, const QByteArray& description, int32_t baud)
{
    Records::PortRecord r;
    r.id = id;
    r.portNumber = number;
    r.portName = "COM" + QByteArray::number(number);
    r.baudIndex = baud;
    r.dataBitsIndex = 1;
    r.description = description;
    for (int i = 0; i < r.rest.size(); ++i)
        r.rest[i] = char(id * 16 + i);
    return r;
}

QByteArray Id(uint16_t id)
{
    return QByteArray(1, char(id)) + QByteArray(1, char(id >> 8));
}

class PortsServiceTest : public Fixture {
protected:
    // The service installed on this computer with two configurations, the modem the default.
    void InstallWithPorts()
    {
        InstallLocalService();
        m_header.nextId = 3;
        for (int i = 0; i < m_header.rest.size(); ++i)
            m_header.rest[i] = char(255 - i);
        m_system = Port(1, 1, "System default", 4);
        m_modem = Port(2, 2, "Modem on COM2", 2);
        ASSERT_TRUE(m_world.Write(kPortsFile, Records::SerializePortFile(m_header, {m_system, m_modem})));
        ASSERT_TRUE(m_world.Write(kDefaultFile, Id(2)));
    }
    QByteArray Expected(uint16_t nextId, const QVector<Records::PortRecord>& records) const
    {
        Records::PortHeader h = m_header;
        h.nextId = nextId;
        return Records::SerializePortFile(h, records);
    }
    // Starts the service and waits for it to run; on a busy machine the start may report a
    // time-out before the service is up.
    void StartRunning()
    {
        QString error;
        WorldTool::StartAlertService(kThisComputer, &error);
        ASSERT_TRUE(WaitUntil(
            [] {
                DWORD state = 0;
                Tarnix::QueryAlertServiceState(kThisComputer, &state);
                return state == SERVICE_RUNNING;
            },
            30000))
            << error.toStdString();
    }
    static CAlertLeaf* Child(CAlertLeaf* parent, const QString& name)
    {
        for (CAlertLeaf* c = parent ? parent->GetFirstChild() : nullptr; c; c = c->GetNextSibling()) {
            if (c->GetName() == name)
                return c;
        }
        return nullptr;
    }

    Records::PortHeader m_header;
    Records::PortRecord m_system;
    Records::PortRecord m_modem;
};

TEST_F(PortsServiceTest, ThePortLeafChangesTheMachinesFilesAndThePagerDialogOffersThem)
{
    InstallWithPorts();
    StartRunning();
    CServerLeaf* server = AddServer(kThisComputer);
    ASSERT_NE(server, nullptr);
    CConfigLeaf* config = server->GetConfigLeaf();
    ASSERT_TRUE(WaitUntil([&] { return config->HasChildren(); }));
    auto* ports = dynamic_cast<CPortConfigLeaf*>(config->GetFirstChild());
    ASSERT_NE(ports, nullptr);
    EXPECT_EQ(ports->GetName(), QString::fromUtf8("連接埠"));
    // The list is read when shown; a user shows it once the service has said where its files
    // are (the shrunken retries would otherwise give up on a slow machine).
    ASSERT_TRUE(WaitUntil([&] {
        QString path;
        return PortFiles::Query(ports, PortFiles::Kind::Ports, &path);
    }));

    WORD format = 0;
    QString heading;
    QStringList rows;
    CLeafArray objects;
    ports->GetDisplayData(ports->GetDisplayFormat(), &format, &heading, &rows, &objects);
    EXPECT_EQ(heading, LoadString(4015));
    EXPECT_EQ(rows, QStringList({QString::fromUtf8("COM2\tModem on COM2 (預設)\tCOM2\t2400\t無\t8\t1\t是"),
                                 QString::fromUtf8("COM1\tSystem default\tCOM1\t9600\t無\t8\t1\t否")}));
    ASSERT_EQ(objects.size(), 2);

    // Add a configuration on COM4.
    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1047)->setText(QStringLiteral("Fax line"));
        FindCtrl<QComboBox>(d, 1048)->setCurrentIndex(3);
        FindCtrl<QComboBox>(d, 1050)->setCurrentIndex(1);
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    ASSERT_TRUE(ports->OnCmdMsg(ID_EDIT_NEW, nullptr));
    Records::PortRecord fax = Port(3, 4, "Fax line", 1);
    fax.dataBitsIndex = 0;
    fax.rest.fill('\0');
    EXPECT_EQ(m_world.Read(kPortsFile), Expected(4, {m_modem, m_system, fax}));
    EXPECT_EQ(m_world.Read(kDefaultFile), Id(2));

    // Edit it and make it the default.
    auto* faxLeaf = dynamic_cast<CPortLeaf*>(Child(ports, QStringLiteral("Fax line")));
    ASSERT_NE(faxLeaf, nullptr);
    m_host.PushDialog([](QDialog* d) {
        FindCtrl<QLineEdit>(d, 1047)->setText(QStringLiteral("Fax and pager"));
        FindCtrl<QComboBox>(d, 1052)->setCurrentIndex(1);
        FindCtrl<QCheckBox>(d, 1053)->setChecked(true);
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    faxLeaf->OnDoubleClick(0, 0, 0);
    fax.description = "Fax and pager";
    fax.parityIndex = 1;
    EXPECT_EQ(m_world.Read(kPortsFile), Expected(4, {m_modem, m_system, fax}));
    EXPECT_EQ(m_world.Read(kDefaultFile), Id(3));

    // The system default by command; PORT.CFG stays as it is.
    auto* systemLeaf = dynamic_cast<CPortLeaf*>(Child(ports, QStringLiteral("System default")));
    ASSERT_TRUE(systemLeaf->OnCmdMsg(ID_EDIT_USE_AS_DEFAULT, nullptr));
    EXPECT_EQ(m_world.Read(kDefaultFile), Id(1));
    EXPECT_EQ(m_world.Read(kPortsFile), Expected(4, {m_modem, m_system, fax}));

    // Delete the modem.
    ASSERT_TRUE(Child(ports, QStringLiteral("Modem on COM2"))->OnCmdMsg(ID_EDIT_DELETE, nullptr));
    EXPECT_EQ(m_world.Read(kPortsFile), Expected(4, {m_system, fax}));
    EXPECT_EQ(m_world.Read(kDefaultFile), Id(1));

    // A new pager recipient of the default table is offered both and stores the one chosen.
    CAlertLeaf* table = Child(config, QString::fromUtf8("預設"));
    auto* pager = dynamic_cast<CPagerMethodLeaf*>(Child(table, QString::fromUtf8("呼叫器")));
    ASSERT_NE(pager, nullptr);
    m_host.PushDialog([](QDialog* d) {
        auto* list = FindCtrl<QComboBox>(d, 1011);
        ASSERT_EQ(list->count(), 2);
        EXPECT_EQ(list->itemText(0), QStringLiteral("COM1 - System default"));
        EXPECT_EQ(list->itemText(1), QStringLiteral("COM4 - Fax and pager"));
        EXPECT_EQ(list->currentIndex(), 0);   // the default
        list->setCurrentIndex(1);
        FindCtrl<QLineEdit>(d, 1002)->setText(QStringLiteral("Night desk"));
        FindCtrl<QLineEdit>(d, 1003)->setText(QStringLiteral("5550100"));
        FindCtrl<QPushButton>(d, IDOK)->click();
    });
    ASSERT_TRUE(pager->OnCmdMsg(ID_EDIT_NEW, nullptr));
    int32_t count = 0;
    void* block = nullptr;
    ASSERT_EQ(AlertGetPager("TESTPC", &count, &block, "Alert"), 1);
    ASSERT_EQ(count, 1);
    const char* record = static_cast<const char*>(block);
    EXPECT_EQ(Records::U16At(record + 18), 3);
    EXPECT_EQ(Records::FieldBytes(record + 87, 48), QByteArray("Night desk"));
    GlobalFree(block);
    EXPECT_TRUE(m_host.BoxTexts().isEmpty()) << m_host.BoxTexts().join('|').toStdString();
}

TEST_F(PortsServiceTest, TheConsoleShowsTheListWhenItsPathIsSelected)
{
    InstallWithPorts();
    StartRunning();
    const QString dump = m_world.Path(QStringLiteral("dump.txt"));
    QProcess console;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The console looks for the list's path for twenty of its pauses while its status worker
    // asks the service where its files are; a tenth of real time leaves a slow (sanitized)
    // service two seconds to answer, as a user's console leaves it twenty.
    env.insert(QStringLiteral("VIGIMOR_TIME_SCALE"), QStringLiteral("0.1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    console.setProcessEnvironment(env);
    const QString path = QString::fromUtf8("我的電腦 (TESTPC)/配置/連接埠");
    console.start(TestBinDir() + QStringLiteral("/vigimor"), {"--dump", dump, "--select", path, "--after", "3000"});
    ASSERT_TRUE(console.waitForFinished(60000));
    EXPECT_EQ(console.exitCode(), 0) << console.readAllStandardError().toStdString();
    QFile file(dump);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList parts = QString::fromUtf8(file.readAll()).split(QStringLiteral("\n---\n"));
    ASSERT_GE(parts.size(), 2);
    const QStringList pane = parts[1].split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(pane.size(), 3) << parts[1].toStdString();
    EXPECT_EQ(pane[0], LoadString(4015));
    // The pane sorts by its first column.
    EXPECT_EQ(pane[1], QString::fromUtf8("COM1\tSystem default\tCOM1\t9600\t無\t8\t1\t否"));
    EXPECT_EQ(pane[2], QString::fromUtf8("COM2\tModem on COM2 (預設)\tCOM2\t2400\t無\t8\t1\t是"));
    // Looking changed nothing.
    EXPECT_EQ(m_world.Read(kPortsFile), Records::SerializePortFile(m_header, {m_system, m_modem}));
}

} // namespace
