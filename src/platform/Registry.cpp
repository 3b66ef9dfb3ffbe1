#include "platform/Registry.h"

#include "platform/World.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

namespace Registry {
namespace {

const QString kHeader = QStringLiteral("Windows Registry Editor Version 5.00");
const QString kHive = QStringLiteral("HKEY_LOCAL_MACHINE");
const QString kClassPrefix = QStringLiteral(";class=");
constexpr qint64 kMaxFileSize = 16 << 20;
constexpr int kMaxNameLength = 255;
constexpr int kMaxValueNameLength = 16383;
constexpr DWORD kMaxValueSize = 1 << 20;

struct Value {
    QString name;
    DWORD type = REG_SZ;
    QString text;      // REG_SZ
    QByteArray bytes;  // every other type, as stored
};

struct Key {
    QString path;  // components joined by '\', case preserved; "" is the hive itself
    QString keyClass;
    std::vector<Value> values;

    Value* Find(const QString& name)
    {
        for (Value& v : values) {
            if (v.name.compare(name, Qt::CaseInsensitive) == 0)
                return &v;
        }
        return nullptr;
    }
};

struct Hive {
    std::vector<Key> keys;
    QHash<QString, size_t> index;  // case-folded path -> position in keys

    Key* Find(const QString& path)
    {
        const auto it = index.constFind(path.toCaseFolded());
        return it == index.constEnd() ? nullptr : &keys[*it];
    }

    Key* Add(Key key)
    {
        index.insert(key.path.toCaseFolded(), keys.size());
        keys.push_back(std::move(key));
        return &keys.back();
    }

    void Reindex()
    {
        index.clear();
        for (size_t i = 0; i < keys.size(); ++i)
            index.insert(keys[i].path.toCaseFolded(), i);
    }

    void Clear()
    {
        keys.clear();
        index.clear();
    }

    // Adds the key and every missing ancestor; new keys get keyClass. Returns the key.
    Key* Ensure(const QString& path, const QString& keyClass, bool* created = nullptr)
    {
        const QStringList parts = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
        QString current;
        Key* key = nullptr;
        for (const QString& part : parts) {
            current = current.isEmpty() ? part : current + QLatin1Char('\\') + part;
            key = Find(current);
            if (!key) {
                key = Add(Key{current, keyClass, {}});
                if (created)
                    *created = true;
            }
        }
        return key;
    }
};

bool HasControlCharacter(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

// Key paths: components split at '\', empty ones dropped; each 1-255 characters without
// control characters.
bool NormalizeKeyPath(const QString& raw, QString* path)
{
    const QStringList parts = raw.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (part.size() > kMaxNameLength || HasControlCharacter(part))
            return false;
    }
    *path = parts.join(QLatin1Char('\\'));
    return true;
}

bool ValidValueName(const QString& name)
{
    return name.size() <= kMaxValueNameLength && !HasControlCharacter(name);
}

// ---- text form -------------------------------------------------------------------------

QString Quote(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            out += QLatin1Char('\\');
        out += c;
    }
    out += QLatin1Char('"');
    return out;
}

QString HexBytes(const QByteArray& bytes)
{
    QStringList parts;
    parts.reserve(bytes.size());
    for (char b : bytes)
        parts << QStringLiteral("%1").arg(uchar(b), 2, 16, QLatin1Char('0'));
    return parts.join(QLatin1Char(','));
}

QByteArray Utf16Le(const QString& text)
{
    QByteArray out;
    out.reserve((text.size() + 1) * 2);
    for (QChar c : text) {
        out += char(c.unicode() & 0xFF);
        out += char(c.unicode() >> 8);
    }
    out += '\0';
    out += '\0';
    return out;
}

QString ValueText(const Value& v)
{
    const QString name = v.name.isEmpty() ? QStringLiteral("@") : Quote(v.name);
    switch (v.type) {
    case REG_SZ:
        // A line break would end the line: such strings go out as UTF-16 hex like regedit's.
        if (HasControlCharacter(v.text))
            return name + QStringLiteral("=hex(1):") + HexBytes(Utf16Le(v.text));
        return name + QLatin1Char('=') + Quote(v.text);
    case REG_DWORD: {
        const DWORD d = DWORD(uchar(v.bytes[0])) | DWORD(uchar(v.bytes[1])) << 8
                        | DWORD(uchar(v.bytes[2])) << 16 | DWORD(uchar(v.bytes[3])) << 24;
        return name + QStringLiteral("=dword:%1").arg(d, 8, 16, QLatin1Char('0'));
    }
    case 3:
        return name + QStringLiteral("=hex:") + HexBytes(v.bytes);
    default:
        return name + QStringLiteral("=hex(%1):").arg(v.type, 0, 16) + HexBytes(v.bytes);
    }
}

QByteArray Serialize(Hive hive)
{
    std::sort(hive.keys.begin(), hive.keys.end(), [](const Key& a, const Key& b) {
        return a.path.compare(b.path, Qt::CaseInsensitive) < 0;
    });
    QString out = kHeader + QStringLiteral("\n");
    for (const Key& key : hive.keys) {
        out += QStringLiteral("\n[") + kHive;
        if (!key.path.isEmpty())
            out += QLatin1Char('\\') + key.path;
        out += QStringLiteral("]\n");
        if (!key.keyClass.isEmpty())
            out += kClassPrefix + Quote(key.keyClass) + QLatin1Char('\n');
        for (const Value& v : key.values)
            out += ValueText(v) + QLatin1Char('\n');
    }
    return out.toUtf8();
}

// Reads a quoted text starting at text[pos] == '"'; pos ends after the closing quote.
bool ParseQuoted(const QString& text, int* pos, QString* out)
{
    int i = *pos;
    if (i >= text.size() || text[i] != QLatin1Char('"'))
        return false;
    ++i;
    out->clear();
    while (i < text.size()) {
        const QChar c = text[i];
        if (c == QLatin1Char('"')) {
            *pos = i + 1;
            return true;
        }
        if (c == QLatin1Char('\\') && i + 1 < text.size()
            && (text[i + 1] == QLatin1Char('\\') || text[i + 1] == QLatin1Char('"'))) {
            *out += text[i + 1];
            i += 2;
            continue;
        }
        *out += c;
        ++i;
    }
    return false;
}

bool ParseHexList(const QString& text, QByteArray* out)
{
    out->clear();
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return true;
    const QStringList parts = trimmed.split(QLatin1Char(','));
    if (parts.size() > int(kMaxValueSize))
        return false;
    for (const QString& part : parts) {
        const QString byte = part.trimmed();
        bool ok = false;
        const uint v = byte.toUInt(&ok, 16);
        if (!ok || byte.size() > 2 || v > 0xFF)
            return false;
        out->append(char(v));
    }
    return true;
}

QString FromUtf16Le(const QByteArray& bytes)
{
    QString out;
    for (int i = 0; i + 1 < bytes.size(); i += 2) {
        const ushort u = ushort(uchar(bytes[i])) | ushort(uchar(bytes[i + 1])) << 8;
        if (u == 0)
            break;
        out += QChar(u);
    }
    return out;
}

bool ParseValueLine(const QString& line, Value* value)
{
    int pos = 0;
    if (line.startsWith(QLatin1Char('@'))) {
        value->name.clear();
        pos = 1;
    } else if (!ParseQuoted(line, &pos, &value->name)) {
        return false;
    }
    if (pos >= line.size() || line[pos] != QLatin1Char('='))
        return false;
    ++pos;
    const QString data = line.mid(pos);
    if (data.startsWith(QLatin1Char('"'))) {
        int end = 0;
        if (!ParseQuoted(data, &end, &value->text) || !data.mid(end).trimmed().isEmpty())
            return false;
        value->type = REG_SZ;
        return true;
    }
    if (data.startsWith(QLatin1String("dword:"))) {
        const QString digits = data.mid(6).trimmed();
        bool ok = false;
        const uint d = digits.toUInt(&ok, 16);
        if (!ok || digits.isEmpty() || digits.size() > 8 || digits.startsWith(QLatin1Char('+')) || digits.startsWith(QLatin1Char('-')))
            return false;
        value->type = REG_DWORD;
        value->bytes = QByteArray(4, '\0');
        for (int i = 0; i < 4; ++i)
            value->bytes[i] = char((d >> (8 * i)) & 0xFF);
        return true;
    }
    DWORD type = 3;
    QString list;
    if (data.startsWith(QLatin1String("hex:"))) {
        list = data.mid(4);
    } else if (data.startsWith(QLatin1String("hex("))) {
        const int close = data.indexOf(QLatin1String("):"));
        if (close < 5 || close > 12)
            return false;
        bool ok = false;
        type = data.mid(4, close - 4).toUInt(&ok, 16);
        if (!ok)
            return false;
        list = data.mid(close + 2);
    } else {
        return false;
    }
    QByteArray bytes;
    if (!ParseHexList(list, &bytes))
        return false;
    value->type = type;
    if (type == REG_SZ) {
        value->text = FromUtf16Le(bytes);
    } else if (type == REG_DWORD) {
        if (bytes.size() != 4)
            return false;
        value->bytes = bytes;
    } else {
        value->bytes = bytes;
    }
    return true;
}

// The whole text of a file in the .reg format; false when it is not one.
bool Parse(const QByteArray& raw, Hive* hive)
{
    hive->Clear();
    if (raw.isEmpty())
        return true;
    QString text;
    if (raw.startsWith("\xFF\xFE")) {
        if (raw.size() % 2)
            return false;
        text = FromUtf16Le(raw.mid(2) + QByteArray(2, '\0'));
        if (text.size() * 2 != raw.size() - 2)  // embedded NUL
            return false;
    } else {
        QStringDecoder decoder(QStringDecoder::Utf8);  // drops a byte-order mark
        text = decoder(raw);
        if (decoder.hasError() || text.contains(QChar(0)))
            return false;
    }
    QStringList lines = text.split(QLatin1Char('\n'));
    // Join regedit's continuation lines (a trailing backslash after a hex list).
    QStringList joined;
    QString pending;
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (!pending.isEmpty()) {
            line = pending + line.trimmed();
            pending.clear();
        }
        const int eq = line.indexOf(QLatin1String("=hex"));
        if (eq > 0 && line.endsWith(QLatin1Char('\\'))) {
            pending = line.left(line.size() - 1);
            continue;
        }
        joined << line;
    }
    if (!pending.isEmpty())
        return false;

    bool headerSeen = false;
    Key* current = nullptr;
    for (const QString& line : joined) {
        const QString t = line.trimmed();
        if (t.isEmpty())
            continue;
        if (!headerSeen) {
            if (t != kHeader)
                return false;
            headerSeen = true;
            continue;
        }
        if (t.startsWith(QLatin1Char('['))) {
            if (!t.endsWith(QLatin1Char(']')))
                return false;
            const QString name = t.mid(1, t.size() - 2);
            QString path;
            if (name.compare(kHive, Qt::CaseInsensitive) == 0) {
                path.clear();
            } else if (name.startsWith(kHive + QLatin1Char('\\'), Qt::CaseInsensitive)) {
                if (!NormalizeKeyPath(name.mid(kHive.size() + 1), &path))
                    return false;
            } else {
                return false;
            }
            if (path.isEmpty()) {
                current = hive->Find(QString());
                if (!current)
                    current = hive->Add(Key{});
            } else {
                current = hive->Ensure(path, QString());
            }
            continue;
        }
        if (t.startsWith(QLatin1Char(';')) && !t.startsWith(kClassPrefix))
            continue;
        if (!current)
            return false;
        if (t.startsWith(kClassPrefix)) {
            int pos = kClassPrefix.size();
            QString keyClass;
            if (!ParseQuoted(t, &pos, &keyClass) || pos != t.size())
                return false;
            current->keyClass = keyClass;
            continue;
        }
        Value value;
        if (!ParseValueLine(t, &value))
            return false;
        if (Value* existing = current->Find(value.name))
            *existing = value;
        else
            current->values.push_back(value);
    }
    return headerSeen;
}

// ---- files -------------------------------------------------------------------------------

DWORD FileOf(const QString& machine, QString* path)
{
    const QString name = machine.isEmpty() ? World::ComputerName() : machine;
    if (!World::IsValidMachineName(name))
        return ERROR_BAD_NETPATH;
    const DWORD access = World::CheckAccess(name);
    if (access == ERROR_ACCESS_DENIED)
        return ERROR_ACCESS_DENIED;
    if (access != ERROR_SUCCESS)
        return ERROR_BAD_NETPATH;
    const QString dir = World::MachineDir(name);
    if (dir.isEmpty())
        return ERROR_BAD_NETPATH;
    *path = dir + QStringLiteral("/registry.reg");
    return ERROR_SUCCESS;
}

enum class ReadResult { Ok, Unreadable, Failed };

// Missing file: an empty registry. A file that is too large or not in the format reads as
// empty too, and is reported so the next write can keep a copy of it.
ReadResult ReadHive(const QString& path, Hive* hive, QByteArray* raw)
{
    hive->Clear();
    QFile file(path);
    if (!file.exists())
        return ReadResult::Ok;
    if (!file.open(QIODevice::ReadOnly))
        return ReadResult::Failed;
    if (file.size() > kMaxFileSize)
        return ReadResult::Unreadable;
    *raw = file.read(kMaxFileSize + 1);
    if (raw->size() > kMaxFileSize)
        return ReadResult::Unreadable;
    if (!Parse(*raw, hive)) {
        hive->Clear();
        return ReadResult::Unreadable;
    }
    return ReadResult::Ok;
}

DWORD Load(const QString& machine, Hive* hive)
{
    QString path;
    if (const DWORD rc = FileOf(machine, &path))
        return rc;
    QByteArray raw;
    return ReadHive(path, hive, &raw) == ReadResult::Failed ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}

bool WriteAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// Replaces path with bytes: temp file beside it, fsync, rename, fsync of the folder.
bool ReplaceFile(const QString& path, const QByteArray& bytes)
{
    static std::atomic<unsigned> counter{0};
    const QByteArray temp = QFile::encodeName(
        QStringLiteral("%1.tmp-%2-%3").arg(path).arg(::getpid()).arg(counter.fetch_add(1)));
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ::close(fd);
    if (!written || ::rename(temp.constData(), QFile::encodeName(path).constData()) != 0) {
        ::unlink(temp.constData());
        return false;
    }
    const int dir = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

// Keeps an unreadable file as registry.reg.unreadable-<n> (first free n) before it is
// replaced, so nothing is silently destroyed.
bool KeepUnreadable(const QString& path)
{
    for (int n = 1; n < 10000; ++n) {
        const QString copy = QStringLiteral("%1.unreadable-%2").arg(path).arg(n);
        if (QFileInfo::exists(copy))
            continue;
        return QFile::copy(path, copy);
    }
    return false;
}

class FileLock {
public:
    explicit FileLock(const QString& path)
    {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0)
            return;
        int rc;
        do {
            rc = ::flock(m_fd, LOCK_EX);
        } while (rc != 0 && errno == EINTR);
        if (rc != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~FileLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool Held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Read-modify-write under the machine's registry lock. change returns 0 to write, a code
// to give up; *changed false means nothing needs writing.
template <typename Change>
DWORD Modify(const QString& machine, Change change)
{
    QString path;
    if (const DWORD rc = FileOf(machine, &path))
        return rc;
    FileLock lock(path + QStringLiteral(".lock"));
    if (!lock.Held())
        return ERROR_ACCESS_DENIED;
    Hive hive;
    QByteArray raw;
    const ReadResult read = ReadHive(path, &hive, &raw);
    if (read == ReadResult::Failed)
        return ERROR_ACCESS_DENIED;
    bool changed = false;
    if (const DWORD rc = change(hive, &changed))
        return rc;
    if (!changed)
        return ERROR_SUCCESS;
    if (read == ReadResult::Unreadable && !KeepUnreadable(path))
        return ERROR_ACCESS_DENIED;
    return ReplaceFile(path, Serialize(hive)) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

QByteArray ValueBytes(const Value& v)
{
    if (v.type == REG_SZ) {
        QByteArray bytes = v.text.toUtf8();
        bytes.append('\0');
        return bytes;
    }
    return v.bytes;
}

// Loads the machine's hive and finds a key; a missing root stands for an empty one.
DWORD LoadKey(const QString& machine, const QString& path, Hive* hive, const Key** key)
{
    if (const DWORD rc = Load(machine, hive))
        return rc;
    *key = hive->Find(path);
    return *key || path.isEmpty() ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

// Replaces the named value (keeping the stored name's case) or adds it. createKey makes a
// missing key on the way; otherwise only the root is made when missing.
DWORD Store(const QString& machine, const QString& path, const Value& value, bool createKey)
{
    return Modify(machine, [&](Hive& hive, bool* changed) -> DWORD {
        Key* key = hive.Find(path);
        if (!key && path.isEmpty())
            key = hive.Add(Key{});
        if (!key && createKey)
            key = hive.Ensure(path, QString());
        if (!key)
            return ERROR_FILE_NOT_FOUND;
        if (Value* existing = key->Find(value.name)) {
            const QString keptName = existing->name;
            *existing = value;
            existing->name = keptName;
        } else {
            key->values.push_back(value);
        }
        *changed = true;
        return ERROR_SUCCESS;
    });
}

} // namespace

DWORD OpenKey(const QString& machine, const QString& keyPath)
{
    QString path;
    if (!NormalizeKeyPath(keyPath, &path))
        return ERROR_FILE_NOT_FOUND;
    if (path.isEmpty()) {
        QString file;
        return FileOf(machine, &file);
    }
    Hive hive;
    if (const DWORD rc = Load(machine, &hive))
        return rc;
    return hive.Find(path) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

DWORD CreateKey(const QString& machine, const QString& keyPath, const QString& keyClass)
{
    QString path;
    if (!NormalizeKeyPath(keyPath, &path) || HasControlCharacter(keyClass))
        return ERROR_INVALID_PARAMETER;
    return Modify(machine, [&](Hive& hive, bool* changed) {
        hive.Ensure(path, keyClass, changed);
        return ERROR_SUCCESS;
    });
}

DWORD QueryValue(const QString& machine, const QString& keyPath, const QString& valueName,
                 DWORD* type, void* data, DWORD* size)
{
    if (data && !size)
        return ERROR_INVALID_PARAMETER;
    QString path;
    if (!NormalizeKeyPath(keyPath, &path))
        return ERROR_FILE_NOT_FOUND;
    Hive hive;
    if (const DWORD rc = Load(machine, &hive))
        return rc;
    Key* key = hive.Find(path);
    if (!key)
        return ERROR_FILE_NOT_FOUND;
    const Value* value = key->Find(valueName);
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    const QByteArray bytes = ValueBytes(*value);
    if (type)
        *type = value->type;
    if (!size)
        return ERROR_SUCCESS;
    const DWORD capacity = *size;
    *size = DWORD(bytes.size());
    if (!data)
        return ERROR_SUCCESS;
    if (capacity < DWORD(bytes.size()))
        return ERROR_MORE_DATA;
    std::memcpy(data, bytes.constData(), size_t(bytes.size()));
    return ERROR_SUCCESS;
}

DWORD SetValue(const QString& machine, const QString& keyPath, const QString& valueName,
               DWORD type, const void* data, DWORD size)
{
    QString path;
    if (!NormalizeKeyPath(keyPath, &path) || !ValidValueName(valueName) || size > kMaxValueSize
        || (size > 0 && !data))
        return ERROR_INVALID_PARAMETER;
    Value value;
    value.name = valueName;
    value.type = type;
    const char* bytes = static_cast<const char*>(data);
    if (type == REG_SZ) {
        const DWORD length = bytes ? DWORD(std::find(bytes, bytes + size, '\0') - bytes) : 0;
        QStringDecoder decoder(QStringDecoder::Utf8);
        value.text = decoder(QByteArrayView(bytes, length));
        if (decoder.hasError())
            return ERROR_INVALID_PARAMETER;
    } else if (type == REG_DWORD) {
        if (size != 4)
            return ERROR_INVALID_PARAMETER;
        value.bytes = QByteArray(bytes, 4);
    } else {
        value.bytes = QByteArray(bytes, qsizetype(size));
    }
    return Store(machine, path, value, false);
}

DWORD DeleteValue(const QString& machine, const QString& keyPath, const QString& valueName)
{
    QString path;
    if (!NormalizeKeyPath(keyPath, &path))
        return ERROR_FILE_NOT_FOUND;
    return Modify(machine, [&](Hive& hive, bool* changed) -> DWORD {
        Key* key = hive.Find(path);
        if (!key)
            return path.isEmpty() ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
        auto it = std::find_if(key->values.begin(), key->values.end(), [&](const Value& v) {
            return v.name.compare(valueName, Qt::CaseInsensitive) == 0;
        });
        if (it != key->values.end()) {
            key->values.erase(it);
            *changed = true;
        }
        return ERROR_SUCCESS;
    });
}

DWORD DeleteKey(const QString& machine, const QString& keyPath)
{
    QString path;
    if (!NormalizeKeyPath(keyPath, &path) || path.isEmpty())
        return ERROR_INVALID_PARAMETER;
    return Modify(machine, [&](Hive& hive, bool* changed) -> DWORD {
        const QString prefix = path + QLatin1Char('\\');
        const auto before = hive.keys.size();
        hive.keys.erase(std::remove_if(hive.keys.begin(), hive.keys.end(), [&](const Key& k) {
            return k.path.compare(path, Qt::CaseInsensitive) == 0 || k.path.startsWith(prefix, Qt::CaseInsensitive);
        }), hive.keys.end());
        hive.Reindex();
        if (hive.keys.size() == before)
            return ERROR_FILE_NOT_FOUND;
        *changed = true;
        return ERROR_SUCCESS;
    });
}

DWORD QueryKeyClass(const QString& machine, const QString& keyPath, QString* keyClass)
{
    QString path;
    if (!keyClass || !NormalizeKeyPath(keyPath, &path))
        return ERROR_INVALID_PARAMETER;
    keyClass->clear();
    Hive hive;
    const Key* key = nullptr;
    if (const DWORD rc = LoadKey(machine, path, &hive, &key))
        return rc;
    if (key)
        *keyClass = key->keyClass;
    return ERROR_SUCCESS;
}

DWORD EnumSubKeys(const QString& machine, const QString& keyPath, QStringList* names)
{
    QString path;
    if (!names || !NormalizeKeyPath(keyPath, &path))
        return ERROR_INVALID_PARAMETER;
    names->clear();
    Hive hive;
    const Key* key = nullptr;
    if (const DWORD rc = LoadKey(machine, path, &hive, &key))
        return rc;
    const QString prefix = path.isEmpty() ? QString() : path + QLatin1Char('\\');
    for (const Key& k : hive.keys) {
        if (k.path.isEmpty() || !k.path.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        const QString rest = k.path.mid(prefix.size());
        if (!rest.contains(QLatin1Char('\\')))
            *names << rest;
    }
    names->sort(Qt::CaseInsensitive);
    return ERROR_SUCCESS;
}

DWORD EnumValueNames(const QString& machine, const QString& keyPath, QStringList* names)
{
    QString path;
    if (!names || !NormalizeKeyPath(keyPath, &path))
        return ERROR_INVALID_PARAMETER;
    names->clear();
    Hive hive;
    const Key* key = nullptr;
    if (const DWORD rc = LoadKey(machine, path, &hive, &key))
        return rc;
    if (key) {
        for (const Value& v : key->values)
            *names << v.name;
    }
    return ERROR_SUCCESS;
}

bool GetString(const QString& machine, const QString& keyPath, const QString& valueName, QString* out)
{
    QString path;
    Hive hive;
    if (!out || !NormalizeKeyPath(keyPath, &path) || Load(machine, &hive) != ERROR_SUCCESS)
        return false;
    Key* key = hive.Find(path);
    const Value* value = key ? key->Find(valueName) : nullptr;
    if (!value || value->type != REG_SZ)
        return false;
    *out = value->text;
    return true;
}

bool GetDword(const QString& machine, const QString& keyPath, const QString& valueName, DWORD* out)
{
    DWORD type = 0;
    uchar bytes[4] = {};
    DWORD size = sizeof bytes;
    if (!out || QueryValue(machine, keyPath, valueName, &type, bytes, &size) != ERROR_SUCCESS
        || type != REG_DWORD || size != 4)
        return false;
    *out = DWORD(bytes[0]) | DWORD(bytes[1]) << 8 | DWORD(bytes[2]) << 16 | DWORD(bytes[3]) << 24;
    return true;
}

namespace {

DWORD Put(const QString& machine, const QString& keyPath, const Value& value)
{
    QString path;
    if (!NormalizeKeyPath(keyPath, &path) || !ValidValueName(value.name))
        return ERROR_INVALID_PARAMETER;
    return Store(machine, path, value, true);
}

} // namespace

DWORD PutString(const QString& machine, const QString& keyPath, const QString& valueName, const QString& text)
{
    Value value;
    value.name = valueName;
    value.type = REG_SZ;
    value.text = text.left(text.indexOf(QChar(0)) < 0 ? text.size() : text.indexOf(QChar(0)));
    return Put(machine, keyPath, value);
}

DWORD PutDword(const QString& machine, const QString& keyPath, const QString& valueName, DWORD v)
{
    Value value;
    value.name = valueName;
    value.type = REG_DWORD;
    value.bytes = QByteArray(4, '\0');
    for (int i = 0; i < 4; ++i)
        value.bytes[i] = char((v >> (8 * i)) & 0xFF);
    return Put(machine, keyPath, value);
}

} // namespace Registry
