#include "platform/VersionInfo.h"

#include "platform/World.h"

#include <QBuffer>
#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <cstring>

namespace {

constexpr qint64 kMaxSectionBytes = 64 << 20;
constexpr DWORD kMaxBlockBytes = 1 << 20;
constexpr int kMaxSections = 96;
constexpr DWORD kRtVersion = 16;
constexpr int kFixedInfoSize = 52;

// ---- little-endian fields of a byte range whose bounds the caller has checked ----

DWORD U16(const QByteArray& b, qint64 at)
{
    return DWORD(uchar(b[at])) | DWORD(uchar(b[at + 1])) << 8;
}

DWORD U32(const QByteArray& b, qint64 at)
{
    return U16(b, at) | U16(b, at + 2) << 16;
}

bool Fits(qint64 offset, qint64 length, qint64 size)
{
    return offset >= 0 && length >= 0 && offset <= size && length <= size - offset;
}

qint64 Align4(qint64 v)
{
    return (v + 3) & ~qint64(3);
}

// ---- the VS_VERSIONINFO node tree ----

struct Node {
    qint64 offset = 0;
    qint64 end = 0;
    DWORD type = 0;
    QString key;
    qint64 valueOffset = 0;
    qint64 valueBytes = 0;
    qint64 childrenOffset = 0;
};

bool ParseNode(const QByteArray& block, qint64 offset, qint64 limit, Node* node)
{
    if (!Fits(offset, 6, limit))
        return false;
    const DWORD length = U16(block, offset);
    const DWORD valueLength = U16(block, offset + 2);
    node->type = U16(block, offset + 4);
    if (length < 6 || !Fits(offset, length, limit))
        return false;
    node->offset = offset;
    node->end = offset + length;
    node->key.clear();
    qint64 at = offset + 6;
    for (;;) {
        if (!Fits(at, 2, node->end))
            return false;  // key without terminator
        const ushort c = ushort(U16(block, at));
        at += 2;
        if (c == 0)
            break;
        node->key += QChar(c);
    }
    node->valueOffset = std::min(Align4(at), node->end);
    const qint64 room = node->end - node->valueOffset;
    if (node->type == 1) {
        // Texts count characters; a writer that counted bytes still stays inside the node.
        node->valueBytes = std::min<qint64>(qint64(valueLength) * 2, room);
    } else {
        if (valueLength > room)
            return false;
        node->valueBytes = valueLength;
    }
    node->childrenOffset = std::min(Align4(node->valueOffset + node->valueBytes), node->end);
    return true;
}

bool FindChild(const QByteArray& block, const Node& parent, const QString& key, Node* child)
{
    qint64 at = parent.childrenOffset;
    while (at + 6 <= parent.end) {
        Node candidate;
        if (!ParseNode(block, at, parent.end, &candidate))
            return false;
        if (candidate.key.compare(key, Qt::CaseInsensitive) == 0) {
            *child = candidate;
            return true;
        }
        at = Align4(candidate.end);
    }
    return false;
}

bool ParseRoot(const QByteArray& block, Node* root)
{
    if (!ParseNode(block, 0, block.size(), root) || root->key != QLatin1String("VS_VERSION_INFO"))
        return false;
    return root->type == 0 && root->valueBytes == kFixedInfoSize
           && U32(block, root->valueOffset) == VS_FFI_SIGNATURE;
}

bool FindPath(const QByteArray& block, const QString& subBlock, Node* found)
{
    Node node;
    if (!ParseRoot(block, &node))
        return false;
    const QStringList parts = subBlock.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        Node child;
        if (!FindChild(block, node, part, &child))
            return false;
        node = child;
    }
    *found = node;
    return true;
}

// ---- the PE file ----

class PeReader {
public:
    // device is open for reading and not sequential.
    explicit PeReader(QIODevice& device) : m_file(device) {}

    bool VersionBlock(QByteArray* block)
    {
        m_size = m_file.size();
        QByteArray dos;
        if (!Read(0, 64, &dos) || dos[0] != 'M' || dos[1] != 'Z')
            return false;
        const qint64 peOffset = U32(dos, 0x3C);
        QByteArray coff;
        if (!Read(peOffset, 24, &coff) || !coff.startsWith(QByteArray("PE\0\0", 4)))
            return false;
        const int sections = int(U16(coff, 6));
        const qint64 optionalSize = U16(coff, 20);
        if (sections < 1 || sections > kMaxSections)
            return false;
        QByteArray optional;
        if (!Read(peOffset + 24, optionalSize, &optional) || optionalSize < 2)
            return false;
        qint64 countAt = 0;
        switch (U16(optional, 0)) {
        case 0x10B: countAt = 92; break;   // PE32
        case 0x20B: countAt = 108; break;  // PE32+
        default: return false;
        }
        const qint64 directories = countAt + 4;
        if (!Fits(countAt, 4, optionalSize) || U32(optional, countAt) <= 2
            || !Fits(directories + 16, 8, optionalSize))
            return false;
        const DWORD resourceRva = U32(optional, directories + 16);
        if (resourceRva == 0)
            return false;
        if (!Read(peOffset + 24 + optionalSize, qint64(sections) * 40, &m_sections))
            return false;

        // The resource tree, as the raw bytes of the section that holds it.
        qint64 sectionEnd = 0;
        const qint64 resourceOffset = RvaToOffset(resourceRva, 16, &sectionEnd);
        QByteArray rsrc;
        if (resourceOffset < 0 || !Read(resourceOffset, std::min(sectionEnd - resourceOffset, kMaxSectionBytes), &rsrc))
            return false;
        qint64 dir = 0;
        if (!Entry(rsrc, dir, [](DWORD name, DWORD) { return name == kRtVersion; }, true, &dir))
            return false;
        if (!Entry(rsrc, dir, [](DWORD, DWORD) { return true; }, true, &dir))
            return false;
        qint64 data = 0;
        if (!Entry(rsrc, dir, [](DWORD, DWORD) { return true; }, false, &data) || !Fits(data, 16, rsrc.size()))
            return false;
        const DWORD dataRva = U32(rsrc, data);
        const DWORD dataSize = U32(rsrc, data + 4);
        if (dataSize < 6 || dataSize > kMaxBlockBytes)
            return false;
        qint64 ignored = 0;
        const qint64 dataOffset = RvaToOffset(dataRva, dataSize, &ignored);
        QByteArray bytes;
        if (dataOffset < 0 || !Read(dataOffset, dataSize, &bytes))
            return false;
        Node root;
        if (!ParseRoot(bytes, &root))
            return false;
        bytes.truncate(root.end);
        *block = bytes;
        return true;
    }

private:
    bool Read(qint64 offset, qint64 length, QByteArray* out)
    {
        if (!Fits(offset, length, m_size) || !m_file.seek(offset))
            return false;
        *out = m_file.read(length);
        return out->size() == length;
    }

    // File offset of length bytes at rva, inside one section's raw data; -1 when none.
    qint64 RvaToOffset(DWORD rva, qint64 length, qint64* sectionEnd)
    {
        for (qint64 s = 0; s + 40 <= m_sections.size(); s += 40) {
            const DWORD va = U32(m_sections, s + 12);
            const DWORD rawSize = U32(m_sections, s + 16);
            const DWORD rawPointer = U32(m_sections, s + 20);
            if (rva < va || rva - va >= rawSize)
                continue;
            const qint64 delta = rva - va;
            // The whole section must be in the file: a truncated image has no resources.
            if (!Fits(delta, length, rawSize) || !Fits(rawPointer, rawSize, m_size))
                return -1;
            *sectionEnd = qint64(rawPointer) + rawSize;
            return qint64(rawPointer) + delta;
        }
        return -1;
    }

    // The first entry of the directory at dirOffset that matches, and whose target is a
    // directory (wantDirectory) or a data entry; *target is its offset in the tree.
    template <typename Match>
    static bool Entry(const QByteArray& rsrc, qint64 dirOffset, Match match, bool wantDirectory, qint64* target)
    {
        if (!Fits(dirOffset, 16, rsrc.size()))
            return false;
        const qint64 count = qint64(U16(rsrc, dirOffset + 12)) + U16(rsrc, dirOffset + 14);
        if (!Fits(dirOffset + 16, count * 8, rsrc.size()))
            return false;
        for (qint64 i = 0; i < count; ++i) {
            const qint64 at = dirOffset + 16 + i * 8;
            const DWORD name = U32(rsrc, at);
            const DWORD offset = U32(rsrc, at + 4);
            const bool isDirectory = (offset & 0x80000000u) != 0;
            if (isDirectory != wantDirectory || !match(name, offset))
                continue;
            const qint64 next = offset & 0x7FFFFFFFu;
            // Offsets only move forward, so a directory can never lead back to itself.
            if (next <= dirOffset)
                return false;
            *target = next;
            return true;
        }
        return false;
    }

    QIODevice& m_file;
    qint64 m_size = 0;
    QByteArray m_sections;
};

QString HostPathOf(const QString& path)
{
    const bool windowsPath = path.startsWith(QLatin1String("\\\\"))
                             || (path.size() >= 3 && path[1] == QLatin1Char(':') && path[0].isLetter()
                                 && (path[2] == QLatin1Char('\\') || path[2] == QLatin1Char('/')));
    if (!windowsPath)
        return path;
    QString host;
    return World::ResolvePath(path, &host) == ERROR_SUCCESS ? host : QString();
}

// ---- writing ----

void Put16(QByteArray* out, DWORD v)
{
    out->append(char(v & 0xFF));
    out->append(char((v >> 8) & 0xFF));
}

void Put32(QByteArray* out, DWORD v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void Set16(QByteArray* out, qint64 at, DWORD v)
{
    (*out)[at] = char(v & 0xFF);
    (*out)[at + 1] = char((v >> 8) & 0xFF);
}

void Set32(QByteArray* out, qint64 at, DWORD v)
{
    Set16(out, at, v & 0xFFFF);
    Set16(out, at + 2, v >> 16);
}

void Pad4(QByteArray* out)
{
    while (out->size() % 4)
        out->append('\0');
}

QByteArray Utf16z(const QString& text)
{
    QByteArray out;
    for (QChar c : text)
        Put16(&out, c.unicode());
    Put16(&out, 0);
    return out;
}

QByteArray MakeNode(const QString& key, DWORD type, const QByteArray& value, DWORD valueLength,
                    const std::vector<QByteArray>& children)
{
    QByteArray out(6, '\0');
    out += Utf16z(key);
    Pad4(&out);
    out += value;
    for (const QByteArray& child : children) {
        Pad4(&out);
        out += child;
    }
    Set16(&out, 0, DWORD(out.size()));
    Set16(&out, 2, valueLength);
    Set16(&out, 4, type);
    return out;
}

} // namespace

DWORD GetFileVersionInfoSize(const QString& path, DWORD* handle)
{
    if (handle)
        *handle = 0;
    QByteArray block;
    return Version::ReadVersionBlock(path, &block) ? DWORD(block.size()) : 0;
}

BOOL GetFileVersionInfo(const QString& path, DWORD /*handle*/, DWORD size, void* data)
{
    QByteArray block;
    if (!data || !Version::ReadVersionBlock(path, &block) || DWORD(block.size()) > size)
        return 0;
    std::memcpy(data, block.constData(), size_t(block.size()));
    return 1;
}

BOOL VerQueryValue(const void* block, const QString& subBlock, const void** buffer, UINT* length)
{
    if (!block || !buffer || !length)
        return 0;
    const auto* bytes = static_cast<const char*>(block);
    const DWORD total = DWORD(uchar(bytes[0])) | DWORD(uchar(bytes[1])) << 8;
    const QByteArray view = QByteArray::fromRawData(bytes, qsizetype(total));
    Node node;
    if (total < 6 || !FindPath(view, subBlock, &node))
        return 0;
    *buffer = bytes + node.valueOffset;
    if (node.type == 1) {
        // Characters up to the terminator.
        UINT chars = 0;
        while (qint64(chars) * 2 + 1 < node.valueBytes && U16(view, node.valueOffset + chars * 2) != 0)
            ++chars;
        *length = chars;
    } else {
        *length = UINT(node.valueBytes);
    }
    return 1;
}

namespace Version {

bool ReadVersionBlock(const QString& path, QByteArray* block)
{
    if (!block)
        return false;
    const QString host = HostPathOf(path);
    if (host.isEmpty())
        return false;
    QFile file(host);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    PeReader reader(file);
    return reader.VersionBlock(block);
}

bool ReadVersionBlockFromImage(const QByteArray& image, QByteArray* block)
{
    if (!block)
        return false;
    QBuffer buffer;
    buffer.setData(image);
    if (!buffer.open(QIODevice::ReadOnly))
        return false;
    PeReader reader(buffer);
    return reader.VersionBlock(block);
}

bool QueryFixed(const QByteArray& block, VS_FIXEDFILEINFO* info)
{
    Node root;
    if (!info || !ParseRoot(block, &root))
        return false;
    DWORD* fields[] = {&info->dwSignature, &info->dwStrucVersion, &info->dwFileVersionMS,
                       &info->dwFileVersionLS, &info->dwProductVersionMS, &info->dwProductVersionLS,
                       &info->dwFileFlagsMask, &info->dwFileFlags, &info->dwFileOS, &info->dwFileType,
                       &info->dwFileSubtype, &info->dwFileDateMS, &info->dwFileDateLS};
    for (int i = 0; i < 13; ++i)
        *fields[i] = U32(block, root.valueOffset + 4 * i);
    return true;
}

bool QueryString(const QByteArray& block, const QString& subBlock, QString* text)
{
    Node node;
    if (!text || !FindPath(block, subBlock, &node) || subBlock.split(QLatin1Char('\\'), Qt::SkipEmptyParts).isEmpty())
        return false;
    QString out;
    for (qint64 at = node.valueOffset; at + 1 < node.valueOffset + node.valueBytes; at += 2) {
        const ushort c = ushort(U16(block, at));
        if (c == 0)
            break;
        out += QChar(c);
    }
    *text = out;
    return true;
}

bool QueryBinary(const QByteArray& block, const QString& subBlock, QByteArray* value)
{
    Node node;
    if (!value || !FindPath(block, subBlock, &node))
        return false;
    *value = block.mid(node.valueOffset, node.valueBytes);
    return true;
}

QByteArray BuildVersionBlock(const VersionResource& version)
{
    QByteArray fixed;
    for (DWORD v : {VS_FFI_SIGNATURE, DWORD(0x00010000), version.fileVersionMS, version.fileVersionLS,
                    version.productVersionMS, version.productVersionLS, DWORD(0x3F), DWORD(0),
                    DWORD(0x00040004), version.fileType, DWORD(0), DWORD(0), DWORD(0)})
        Put32(&fixed, v);

    std::vector<QByteArray> tables;
    QByteArray translations;
    for (const StringTable& table : version.tables) {
        std::vector<QByteArray> strings;
        for (const auto& [name, text] : table.strings)
            strings.push_back(MakeNode(name, 1, Utf16z(text), DWORD(text.size() + 1), {}));
        const QString key = QStringLiteral("%1%2").arg(table.language, 4, 16, QLatin1Char('0'))
                                .arg(table.codePage, 4, 16, QLatin1Char('0')).toUpper();
        tables.push_back(MakeNode(key, 1, QByteArray(), 0, strings));
        Put16(&translations, table.language);
        Put16(&translations, table.codePage);
    }
    std::vector<QByteArray> children;
    children.push_back(MakeNode(QStringLiteral("StringFileInfo"), 1, QByteArray(), 0, tables));
    const QByteArray var = MakeNode(QStringLiteral("Translation"), 0, translations, DWORD(translations.size()), {});
    children.push_back(MakeNode(QStringLiteral("VarFileInfo"), 1, QByteArray(), 0, {var}));
    return MakeNode(QStringLiteral("VS_VERSION_INFO"), 0, fixed, DWORD(fixed.size()), children);
}

QByteArray BuildPeImage(const VersionResource* version)
{
    constexpr DWORD kFileAlign = 0x200;
    constexpr DWORD kSectionAlign = 0x1000;
    constexpr DWORD kSectionRva = 0x1000;

    // Section contents: the resource tree (type 16 -> id 1 -> language -> data) and the block.
    QByteArray section;
    if (version) {
        const QByteArray block = BuildVersionBlock(*version);
        const DWORD language = version->tables.empty() ? 0x0409 : version->tables.front().language;
        auto directory = [&section](DWORD name, DWORD target) {
            for (int i = 0; i < 3; ++i)
                Put32(&section, 0);
            Put16(&section, 0);  // named entries
            Put16(&section, 1);  // id entries
            Put32(&section, name);
            Put32(&section, target);
        };
        directory(kRtVersion, 0x80000000u | 24);
        directory(1, 0x80000000u | 48);
        directory(language, 72);
        Put32(&section, kSectionRva + 88);
        Put32(&section, DWORD(block.size()));
        Put32(&section, 0);
        Put32(&section, 0);
        section += block;
    } else {
        section = QByteArray(16, '\0');
    }
    const DWORD virtualSize = DWORD(section.size());
    while (section.size() % kFileAlign)
        section.append('\0');

    QByteArray image(kFileAlign, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    Set32(&image, 0x3C, 0x40);
    qint64 at = 0x40;
    image.replace(at, 4, QByteArray("PE\0\0", 4));
    const bool library = version && version->fileType == VFT_DLL;
    Set16(&image, at + 4, 0x14C);         // i386
    Set16(&image, at + 6, 1);             // one section
    Set16(&image, at + 20, 224);          // optional header size
    Set16(&image, at + 22, library ? 0x2102 : 0x0102);
    const qint64 opt = at + 24;
    Set16(&image, opt, 0x10B);
    Set32(&image, opt + 28, 0x400000);    // image base
    Set32(&image, opt + 32, kSectionAlign);
    Set32(&image, opt + 36, kFileAlign);
    Set16(&image, opt + 40, 4);           // operating system version
    Set16(&image, opt + 48, 4);           // subsystem version
    Set32(&image, opt + 56, kSectionRva + ((virtualSize + kSectionAlign - 1) / kSectionAlign) * kSectionAlign);
    Set32(&image, opt + 60, kFileAlign);  // size of headers
    Set16(&image, opt + 68, 2);           // GUI subsystem
    Set32(&image, opt + 72, 0x100000);
    Set32(&image, opt + 76, 0x1000);
    Set32(&image, opt + 80, 0x100000);
    Set32(&image, opt + 84, 0x1000);
    Set32(&image, opt + 92, 16);          // data directories
    if (version) {
        Set32(&image, opt + 96 + 16, kSectionRva);
        Set32(&image, opt + 96 + 20, virtualSize);
    }
    const qint64 table = opt + 224;
    image.replace(table, 8, QByteArray(version ? ".rsrc\0\0\0" : ".rdata\0\0", 8));
    Set32(&image, table + 8, virtualSize);
    Set32(&image, table + 12, kSectionRva);
    Set32(&image, table + 16, DWORD(section.size()));
    Set32(&image, table + 20, kFileAlign);
    Set32(&image, table + 36, 0x40000040u);  // initialised data, readable
    return image + section;
}

bool WritePeFile(const QString& hostPath, const VersionResource* version)
{
    QSaveFile file(hostPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray image = BuildPeImage(version);
    return file.write(image) == image.size() && file.commit();
}

} // namespace Version
