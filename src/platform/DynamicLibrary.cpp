#include "platform/DynamicLibrary.h"

#include "platform/World.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <set>

struct CLoadedModule {
    void* library = nullptr;
    QString path;  // canonical
    int uses = 0;
};

namespace {

constexpr uint32_t kMaxOrdinalEntries = 65536;

struct Modules {
    std::mutex lock;
    std::map<QString, CLoadedModule*> byPath;
    std::set<CLoadedModule*> live;
};

Modules& Loaded()
{
    static Modules* modules = new Modules;
    return *modules;
}

QString ExecutableDir()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

bool IsBareName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.unicode() < 0x20)
            return false;
    }
    return true;
}

QString FindLibraryFile(const QString& name)
{
    QString base = name;
    if (base.endsWith(QLatin1String(".DLL"), Qt::CaseInsensitive))
        base.chop(4);
    if (base.isEmpty())
        return QString();
    const QStringList candidates{base + QStringLiteral(".so"), QStringLiteral("lib") + base + QStringLiteral(".so"), name};
    for (const QString& dir : LibrarySearchPath()) {
        const QStringList entries = QDir(dir).entryList(QDir::Files | QDir::Readable);
        for (const QString& candidate : candidates) {
            for (const QString& entry : entries) {
                if (entry.compare(candidate, Qt::CaseInsensitive) == 0)
                    return QDir(dir).filePath(entry);
            }
        }
    }
    return QString();
}

// True when address lies in the module's own file, not in a library it pulled in.
bool DefinedIn(const CLoadedModule* module, const void* address)
{
    Dl_info info {};
    if (!address || ::dladdr(address, &info) == 0 || !info.dli_fname)
        return false;
    return QFileInfo(QFile::decodeName(info.dli_fname)).canonicalFilePath() == module->path;
}

bool IsLive(HMODULE module)
{
    std::lock_guard<std::mutex> guard(Loaded().lock);
    return Loaded().live.count(module) != 0;
}

FARPROC OwnSymbol(HMODULE module, const char* name)
{
    if (!name || !*name)
        return nullptr;
    void* address = ::dlsym(module->library, name);
    return DefinedIn(module, address) ? address : nullptr;
}

} // namespace

QStringList LibrarySearchPath()
{
    const QString exe = ExecutableDir();
    // Beside the program, the build tree's lib, and where the package installs them.
    QStringList dirs{exe, QDir::cleanPath(exe + QStringLiteral("/../lib")),
                     QDir::cleanPath(exe + QStringLiteral("/../lib/vigimor"))};
    // Only a world that already holds this computer is looked into: a search never creates it.
    const QString computer = World::ComputerName();
    QString system;
    if (World::IsValidMachineName(computer) &&
        QFileInfo(World::Root() + QStringLiteral("/machines/") + computer).isDir() &&
        World::ResolvePathOn(computer, QStringLiteral("C:\\WINDOWS\\SYSTEM32"), &system) == 0 &&
        QFileInfo(system).isDir())
        dirs << system;
    for (const QString& dir : qEnvironmentVariable("VIGIMOR_PLUGIN_PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        dirs << QDir::cleanPath(QDir(dir).absolutePath());
    dirs.removeDuplicates();
    return dirs;
}

HMODULE LoadLibrary(const QString& name)
{
    if (!IsBareName(name)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    const QString file = FindLibraryFile(name);
    const QString path = file.isEmpty() ? QString() : QFileInfo(file).canonicalFilePath();
    if (path.isEmpty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    Modules& modules = Loaded();
    std::lock_guard<std::mutex> guard(modules.lock);
    auto it = modules.byPath.find(path);
    if (it != modules.byPath.end()) {
        ++it->second->uses;
        return it->second;
    }
    void* library = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    auto* module = new CLoadedModule{library, path, 1};
    modules.byPath[path] = module;
    modules.live.insert(module);
    return module;
}

FARPROC GetProcAddress(HMODULE module, const char* name)
{
    if (!IsLive(module)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    FARPROC address = OwnSymbol(module, name);
    if (!address)
        SetLastError(ERROR_PROC_NOT_FOUND);
    return address;
}

FARPROC GetProcAddressByOrdinal(HMODULE module, WORD ordinal)
{
    if (!IsLive(module)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const auto* table = static_cast<const VigimorOrdinalEntry*>(OwnSymbol(module, "VigimorOrdinalTable"));
    if (table && ordinal != 0) {
        for (uint32_t i = 0; i < kMaxOrdinalEntries && table[i].ordinal != 0; ++i) {
            if (table[i].ordinal != ordinal)
                continue;
            FARPROC address = table[i].address ? table[i].address : OwnSymbol(module, table[i].name);
            if (address && DefinedIn(module, address))
                return address;
            break;
        }
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

BOOL FreeLibrary(HMODULE module)
{
    Modules& modules = Loaded();
    void* unload = nullptr;
    {
        std::lock_guard<std::mutex> guard(modules.lock);
        if (modules.live.count(module) == 0) {
            SetLastError(ERROR_INVALID_HANDLE);
            return 0;
        }
        if (--module->uses > 0)
            return 1;
        modules.live.erase(module);
        modules.byPath.erase(module->path);
        unload = module->library;
        delete module;
    }
    ::dlclose(unload);
    return 1;
}

QString GetModuleFileName(HMODULE module)
{
    std::lock_guard<std::mutex> guard(Loaded().lock);
    return Loaded().live.count(module) ? module->path : QString();
}
