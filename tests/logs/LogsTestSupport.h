#pragma once
// Shared pieces of the log tests: a world of its own with this computer (TESTPC) and the alert
// service installed (not running), a tree control with this computer's server leaf, the log
// paths the service uses (C:\ALERT\EVENTLOG, C:\ALERT\LOG) given to the log leaves, and a
// scripted UI host that records every message. Files are written by the service's own codecs.
#include "../common/TempWorld.h"

#include "alertworld/WorldTool.h"
#include "framework/ScriptedUiHost.h"
#include "framework/Switches.h"
#include "logs/LogPaths.h"
#include "platform/Network.h"
#include "platform/Timing.h"
#include "platform/World.h"
#include "records/ActivityLog.h"
#include "records/EventLogTable.h"
#include "records/Statistics.h"
#include "res/Resources.h"
#include "tree/ActivityLeaf.h"
#include "tree/AlertTreeCtrl.h"
#include "tree/ServerLeaf.h"

#include <QCoreApplication>
#include <QFile>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace LogsTest {

inline const QString kThisComputer = QStringLiteral("TESTPC");
inline const QString kEventLogDir = QStringLiteral("C:\\ALERT\\EVENTLOG");
inline const QString kLogDir = QStringLiteral("C:\\ALERT\\LOG");

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
        UseLogPaths(kEventLogDir, kLogDir + QStringLiteral("\\ACTIVITY.LOG"));
    }
    void TearDown() override
    {
        m_tree.reset();
        LogPaths::SetResolver({});
        CActivityLeaf::SetHooks({});
        Network::CancelAllConnections();
    }

    // The directories the log leaves are given; an empty one is unknown.
    void UseLogPaths(const QString& eventLogDir, const QString& activityLog)
    {
        LogPaths::SetResolver([eventLogDir, activityLog](const CAlertLeaf*, LogPaths::Kind kind, QString* path) {
            switch (kind) {
            case LogPaths::Kind::EventLogDirectory:
                *path = eventLogDir;
                break;
            case LogPaths::Kind::EventLogFile:
                *path = eventLogDir.isEmpty() ? QString() : eventLogDir + QStringLiteral("\\ALRECORD.TBL");
                break;
            case LogPaths::Kind::ActivityLogFile:
                *path = activityLog;
                break;
            }
            return !path->isEmpty();
        });
    }

    // Host path of a file of this computer's drive C ("ALERT/LOG/ACTIVITY.LOG").
    QString DriveC(const QString& relative) const
    {
        return m_world.Path(QStringLiteral("machines/TESTPC/drives/C/") + relative);
    }

    // Inserts a leaf under the server leaf.
    template <class T>
    T* Add(T* leaf)
    {
        EXPECT_TRUE(m_server->InsertChild(leaf));
        return leaf;
    }

    static QStringList Rows(CAlertLeaf* leaf, UINT format, WORD* produced = nullptr, QString* heading = nullptr,
                            CLeafArray* objects = nullptr)
    {
        WORD out = 0;
        QString head;
        QStringList rows;
        CLeafArray objs;
        leaf->GetDisplayData(format, &out, &head, &rows, &objs);
        if (produced)
            *produced = out;
        if (heading)
            *heading = head;
        if (objects)
            *objects = objs;
        return rows;
    }

    TempWorld m_world{kThisComputer};
    ScriptedUiHost m_host;
    ScopedUiHost m_hostScope{&m_host};
    std::unique_ptr<CAlertTreeCtrl> m_tree;
    CServerLeaf* m_server = nullptr;
};

} // namespace LogsTest
