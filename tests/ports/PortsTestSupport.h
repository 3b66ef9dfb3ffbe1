#pragma once
// Shared pieces of the port tests: a world with this computer (TESTPC) and the alert service
// installed but not running, this computer's server leaf in a tree, the port files at
// C:\ALERT\PORT.CFG and C:\ALERT\PORTDEF.CFG given to the leaves, and a scripted UI host.
// Files are made and read with the service's own codec; tests compare their bytes.
#include "../common/TempWorld.h"

#include "alertworld/WorldTool.h"
#include "framework/ScriptedUiHost.h"
#include "framework/Switches.h"
#include "methods/PortLeaf.h"
#include "platform/Network.h"
#include "platform/World.h"
#include "records/PortConfig.h"
#include "res/Resources.h"
#include "tree/AlertTreeCtrl.h"
#include "tree/ServerLeaf.h"

#include <QFileInfo>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>

#include <fcntl.h>
#include <sys/stat.h>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace PortsTest {

inline const QString kThisComputer = QStringLiteral("TESTPC");
inline const QString kPortsFile = QStringLiteral("machines/TESTPC/drives/C/ALERT/PORT.CFG");
inline const QString kDefaultFile = QStringLiteral("machines/TESTPC/drives/C/ALERT/PORTDEF.CFG");

inline QString U(const char* text)
{
    return QString::fromUtf8(text);
}

inline Records::PortRecord Port(uint16_t id, uint16_t number, const QByteArray& description, int32_t baud = 4,
                                int32_t dataBits = 1, int32_t parity = 0, int32_t stopBits = 0)
{
    Records::PortRecord r;
    r.id = id;
    r.portNumber = number;
    r.portName = number >= 1 && number <= 4 ? QByteArray("COM") + QByteArray::number(number) : QByteArray();
    r.baudIndex = baud;
    r.dataBitsIndex = dataBits;
    r.parityIndex = parity;
    r.stopBitsIndex = stopBits;
    r.description = description;
    return r;
}

// A header whose uninterpreted bytes and the records' own are not zero, so keeping them shows.
inline Records::PortHeader Header(uint16_t nextId)
{
    Records::PortHeader h;
    h.nextId = nextId;
    for (int i = 0; i < h.rest.size(); ++i)
        h.rest[i] = char(i * 7 + 1);
    return h;
}

inline Records::PortRecord Marked(Records::PortRecord r)
{
    for (int i = 0; i < r.rest.size(); ++i)
        r.rest[i] = char(0xA0 + r.id + i);
    return r;
}

inline QByteArray DefaultBytes(uint16_t id)
{
    return QByteArray(1, char(id & 0xFF)) + QByteArray(1, char(id >> 8));
}

class Fixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        Network::CancelAllConnections();
        Switches::Reset();
        ASSERT_TRUE(World::EnsureThisComputer());
        QString error;
        ASSERT_EQ(WorldTool::InstallAlertService(kThisComputer, &error), 0u) << error.toStdString();
        m_tree = std::make_unique<CAlertTreeCtrl>();
        m_tree->resize(300, 400);
        m_server = CServerLeaf::CreateTopLevel(m_tree.get(), CServerData::Make(kThisComputer, QString()));
        ASSERT_NE(m_server, nullptr);
        UsePaths(QStringLiteral("C:\\ALERT\\PORT.CFG"), QStringLiteral("C:\\ALERT\\PORTDEF.CFG"));
    }
    void TearDown() override
    {
        m_tree.reset();
        PortFiles::SetResolver({});
        Network::CancelAllConnections();
    }

    // The paths the leaves are given; an empty one is unknown.
    static void UsePaths(const QString& ports, const QString& defaults)
    {
        PortFiles::SetResolver([ports, defaults](const CAlertLeaf*, PortFiles::Kind kind, QString* path) {
            *path = kind == PortFiles::Kind::Ports ? ports : defaults;
            return !path->isEmpty();
        });
    }

    void WritePorts(const Records::PortHeader& header, const QVector<Records::PortRecord>& records)
    {
        ASSERT_TRUE(m_world.Write(kPortsFile, Records::SerializePortFile(header, records)));
    }
    void WriteDefault(uint16_t id) { ASSERT_TRUE(m_world.Write(kDefaultFile, DefaultBytes(id))); }
    // Moves a file's modification time on, as a write a moment later would (file times are
    // coarser than the tests' writes).
    void Later(const QString& relative, int seconds = 1) const
    {
        const QByteArray path = m_world.Path(relative).toUtf8();
        struct stat st {};
        ASSERT_EQ(::stat(path.constData(), &st), 0);
        const struct timespec times[2] = {st.st_atim, {st.st_mtim.tv_sec + seconds, st.st_mtim.tv_nsec}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.constData(), times, 0), 0);
    }
    QByteArray PortsBytes() const { return m_world.Read(kPortsFile); }
    QByteArray DefaultFileBytes() const { return m_world.Read(kDefaultFile); }

    // A port configuration leaf under the server leaf, loaded.
    CPortConfigLeaf* AddConfig()
    {
        return static_cast<CPortConfigLeaf*>(CPortConfigLeaf::CreateUnder(m_server));
    }

    static QStringList Names(const CAlertLeaf* parent)
    {
        QStringList names;
        for (CAlertLeaf* c = parent->GetFirstChild(); c; c = c->GetNextSibling())
            names << c->GetName();
        return names;
    }
    static CPortLeaf* PortById(const CAlertLeaf* parent, uint16_t id)
    {
        for (CAlertLeaf* c = parent->GetFirstChild(); c; c = c->GetNextSibling()) {
            auto* port = dynamic_cast<CPortLeaf*>(c);
            if (port && port->GetId() == id)
                return port;
        }
        return nullptr;
    }
    static QStringList Rows(CAlertLeaf* leaf, QString* heading = nullptr, WORD* format = nullptr)
    {
        WORD produced = 0;
        QString h;
        QStringList rows;
        CLeafArray objects;
        leaf->GetDisplayData(leaf->GetDisplayFormat(), &produced, &h, &rows, &objects);
        if (heading)
            *heading = h;
        if (format)
            *format = produced;
        return rows;
    }

    TempWorld m_world{kThisComputer};
    ScriptedUiHost m_host;
    ScopedUiHost m_hostScope{&m_host};
    std::unique_ptr<CAlertTreeCtrl> m_tree;
    CServerLeaf* m_server = nullptr;
};

} // namespace PortsTest
