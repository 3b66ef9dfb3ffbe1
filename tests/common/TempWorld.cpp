#include "TempWorld.h"

#include "platform/KernelObjects.h"
#include "platform/World.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TempWorld::TempWorld(const QString& computerName)
    : m_previousRoot(qEnvironmentVariable("VIGIMOR_WORLD"))
    , m_previousName(qEnvironmentVariable("VIGIMOR_COMPUTERNAME"))
{
    // The environment carries the world to child processes (alertsvc, alertworld, vigimor).
    qputenv("VIGIMOR_WORLD", m_dir.path().toUtf8());
    qputenv("VIGIMOR_COMPUTERNAME", computerName.toUtf8());
    World::SetRoot(m_dir.path());
    World::SetComputerName(computerName);
}

TempWorld::~TempWorld()
{
    auto restore = [](const char* name, const QString& value) {
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value.toUtf8());
    };
    // The world's named objects live in a runtime folder outside it; they go with the world.
    World::SetRoot(m_dir.path());
    const QString runtime = Kernel::RuntimeDir();
    if (!runtime.isEmpty())
        QDir(runtime).removeRecursively();
    restore("VIGIMOR_WORLD", m_previousRoot);
    restore("VIGIMOR_COMPUTERNAME", m_previousName);
    World::SetRoot(QString());
    World::SetComputerName(QString());
}

QString TempWorld::Path(const QString& relative) const
{
    return QDir(m_dir.path()).filePath(relative);
}

bool TempWorld::Write(const QString& relative, const QByteArray& bytes) const
{
    const QString path = Path(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray TempWorld::Read(const QString& relative) const
{
    QFile f(Path(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString TestBinDir() { return QStringLiteral(VIGIMOR_BIN_DIR); }

QString FixturePath(const QString& relative)
{
    return QDir(QStringLiteral(VIGIMOR_FIXTURES_DIR)).filePath(relative);
}
