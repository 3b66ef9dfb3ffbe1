#include "alertworld/ModuleFiles.h"

#include "platform/VersionInfo.h"
#include "platform/World.h"

#include <QDir>

namespace WorldTool {

namespace {

struct Module {
    const char* file;
    DWORD type;
    WORD major, minor, build, revision;
    // FileDescription by language (0 ends the list); a null text leaves the language out.
    std::vector<std::pair<WORD, QString>> descriptions;
    bool versioned;
};

Version::VersionResource Resource(const Module& m)
{
    Version::VersionResource v;
    v.fileVersionMS = v.productVersionMS = (DWORD(m.major) << 16) | m.minor;
    v.fileVersionLS = v.productVersionLS = (DWORD(m.build) << 16) | m.revision;
    v.fileType = m.type;
    const QString version = QStringLiteral("%1.%2.%3.%4").arg(m.major).arg(m.minor).arg(m.build).arg(m.revision);
    for (const auto& [language, description] : m.descriptions) {
        Version::StringTable table;
        table.language = language;
        table.codePage = 0x04B0;
        table.strings = {{QStringLiteral("CompanyName"), QStringLiteral("Korvane")},
                         {QStringLiteral("FileDescription"), description},
                         {QStringLiteral("FileVersion"), version},
                         {QStringLiteral("InternalName"), QString::fromLatin1(m.file)},
                         {QStringLiteral("ProductName"), QStringLiteral("Alert Notification Server")},
                         {QStringLiteral("ProductVersion"), version}};
        v.tables.push_back(table);
    }
    return v;
}

} // namespace

DWORD WriteModuleFiles(const QString& machine, QString* error)
{
    const QString m = World::CanonicalMachineName(machine);
    const World::ScopedLocalMachine scope(m);
    QString home;
    if (m.isEmpty() || World::ResolvePathOn(m, QStringLiteral("C:\\ALERT"), &home) != 0 || !QDir().mkpath(home)) {
        *error = QStringLiteral("no service home on %1").arg(machine);
        return ERROR_PATH_NOT_FOUND;
    }
    constexpr WORD kEnglish = 0x0409, kGerman = 0x0407, kTraditionalChinese = 0x0404, kJapanese = 0x0411;
    const Module modules[] = {
        {"ALERT.EXE", VFT_APP, 4, 5, 312, 0,
         {{kEnglish, QStringLiteral("Alert Notification Server")},
          {kTraditionalChinese, QStringLiteral("警示通知伺服器")},
          {kGerman, QStringLiteral("Alarmbenachrichtigungsserver")}},
         true},
        {"TARNIX.DLL", VFT_DLL, 4, 5, 310, 2,
         {{kEnglish, QStringLiteral("Alert configuration library")},
          {kTraditionalChinese, QStringLiteral("警示配置程式庫")},
          {kJapanese, QStringLiteral("アラート構成ライブラリ")}},
         true},
        {"PLENKOR.DLL", VFT_DLL, 4, 5, 298, 0,
         {{kEnglish, QStringLiteral("Alert packet builder")}, {kTraditionalChinese, QStringLiteral("警示封包建立程式")}},
         true},
        {"ALMAPI.DLL", VFT_DLL, 4, 0, 218, 1,
         {{kEnglish, QString()}, {kTraditionalChinese, QStringLiteral("警示郵件介面")}},
         true},
        {"ALNOTES.DLL", VFT_DLL, 4, 5, 301, 0, {{kTraditionalChinese, QStringLiteral("Lotus Notes 警示介面")}}, true},
        {"ALHELPER.DLL", VFT_DLL, 0, 0, 0, 0, {}, false},
    };
    for (const Module& module : modules) {
        const QString path = QDir(home).filePath(QString::fromLatin1(module.file));
        const Version::VersionResource resource = Resource(module);
        if (!Version::WritePeFile(path, module.versioned ? &resource : nullptr)) {
            *error = QStringLiteral("cannot write %1 on %2").arg(QString::fromLatin1(module.file), m);
            return ERROR_ACCESS_DENIED;
        }
    }
    return 0;
}

} // namespace WorldTool
