// Any bytes as a registry file: it reads as some registry or as empty, and after a write the
// file is always readable again with the written value in it.
#include "FuzzSupport.h"
#include "platform/Registry.h"
#include "platform/World.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

namespace {

QString Root()
{
    static const QString dir = Fuzz::ScratchDir() + QStringLiteral("/world");
    static const bool ready = [] {
        QDir().mkpath(dir);
        World::SetRoot(dir);
        World::SetComputerName(QStringLiteral("FUZZPC"));
        return World::EnsureThisComputer();
    }();
    (void)ready;
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString machineDir = Root() + QStringLiteral("/machines/FUZZPC");
    for (const QString& name : QDir(machineDir).entryList({QStringLiteral("registry.reg.unreadable-*")}))
        QFile::remove(machineDir + QLatin1Char('/') + name);
    QFile file(machineDir + QStringLiteral("/registry.reg"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();

    QStringList names;
    Registry::EnumSubKeys(QString(), QString(), &names);
    for (const QString& key : names) {
        QStringList values;
        Registry::EnumValueNames(QString(), key, &values);
        for (const QString& value : values) {
            DWORD type = 0, length = 0;
            Registry::QueryValue(QString(), key, value, &type, nullptr, &length);
        }
    }
    if (Registry::PutDword(QString(), QStringLiteral("SOFTWARE\\Fuzz"), QStringLiteral("Marker"), 0x1234) != 0)
        __builtin_trap();
    DWORD marker = 0;
    if (!Registry::GetDword(QString(), QStringLiteral("SOFTWARE\\Fuzz"), QStringLiteral("Marker"), &marker) || marker != 0x1234)
        __builtin_trap();
    return 0;
}
