#include "records/RecipientRecords.h"

#include "records/ByteField.h"

#include <cstring>

namespace Records {

namespace {

const uint8_t kEventLogKey[48] = {
    0x5A, 0x3C, 0x91, 0x07, 0xE4, 0x2B, 0x78, 0xC6, 0x1D, 0xA3, 0x4F, 0x86, 0x39, 0xD2, 0x6E, 0x15,
    0xB7, 0x48, 0x0C, 0xF1, 0x63, 0x9A, 0x2D, 0xE8, 0x74, 0x1F, 0xC5, 0x32, 0x8B, 0x56, 0xA9, 0x0E,
    0xD4, 0x67, 0x3B, 0x92, 0x18, 0xEF, 0x45, 0x7C, 0xB1, 0x2A, 0x96, 0x53, 0xCD, 0x08, 0x7E, 0xF3,
};

QString Ipv4Text(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return QStringLiteral("%1.%2.%3.%4").arg(u[0]).arg(u[1]).arg(u[2]).arg(u[3]);
}

QString Hex(const char* p, int n)
{
    return QString::fromLatin1(QByteArray(p, n).toHex().toUpper());
}

} // namespace

QByteArray StoredRecipientName(const QByteArray& name)
{
    return name.startsWith("\\\\") ? name : name + '*';
}

QString RecipientNameFromStored(QString stored)
{
    if (!stored.startsWith(QLatin1String("\\\\")) && stored.endsWith(QLatin1Char('*')))
        stored.chop(1);
    return stored;
}

const uint8_t* EventLogPasswordKey()
{
    return kEventLogKey;
}

QString DescribeRecipient(const MethodInfo& method, const char* r)
{
    switch (method.bit) {
    case kBroadcastBit:
        return RecipientNameFromStored(FieldText(r, 52));
    case kNumericPagerBit:
    case kAlphaPagerBit:
        return QStringLiteral("%1 (%2)").arg(FieldText(r + 87, 48), FieldText(r + 20, 25));
    case kEmailBit:
        return QStringLiteral("%1 <%2>").arg(FieldText(r, 52), I32At(r + 52) == 2 ? QStringLiteral("Cc")
                                                                                   : QStringLiteral("To"));
    case kSnmpBit:
        if (static_cast<uint8_t>(r[67]) == 1)
            return QStringLiteral("%1 (IPX %2.%3)").arg(FieldText(r + 16, 51), Hex(r + 6, 4), Hex(r, 6));
        return QStringLiteral("%1 (IP %2)").arg(FieldText(r + 16, 51), Ipv4Text(r + 12));
    case kTicketBit:
        return FieldText(r + 100, 49);
    case kEventLogBit:
        return RecipientNameFromStored(FieldText(r, 52));
    case kNotesBit:
        return QStringLiteral("%1 <%2>").arg(FieldText(r + 4, 52), FieldText(r + 56, 256));
    case kSmtpBit:
        return QStringLiteral("%1 (%2)").arg(FieldText(r, 132), FieldText(r + 132, 65));
    default:
        return QString();
    }
}

QByteArray MakeBroadcastRecord(const QByteArray& name)
{
    QByteArray r(52, '\0');
    PutField(r.data(), 52, StoredRecipientName(name));
    return r;
}

QByteArray MakePagerRecord(const QByteArray& owner, const QByteArray& number, uint8_t type, uint16_t portId,
                           const QByteArray& pagerId, const QByteArray& siteId)
{
    QByteArray r(150, '\0');
    char* p = r.data();
    PutU16(p + 18, portId);
    PutField(p + 20, 25, number);
    PutField(p + 45, 11, pagerId);
    PutField(p + 56, 5, siteId);
    PutField(p + 61, 13, ",,");
    PutField(p + 74, 13, ",");
    PutField(p + 87, 48, owner);
    p[kPagerTypeOffset] = static_cast<char>(type);
    return r;
}

QByteArray MakeEmailRecord(const QByteArray& name, int32_t recipientClass)
{
    QByteArray r(56, '\0');
    PutField(r.data(), 52, name);
    PutI32(r.data() + 52, recipientClass);
    return r;
}

QByteArray MakeSnmpRecord(const QByteArray& manager, uint32_t ipv4HostOrder)
{
    QByteArray r(68, '\0');
    char* p = r.data();
    for (int i = 0; i < 4; ++i)
        p[12 + i] = static_cast<char>((ipv4HostOrder >> (24 - 8 * i)) & 0xFF);
    PutField(p + 16, 51, manager);
    p[67] = 2;
    return r;
}

QByteArray MakeTicketRecord(const QByteArray& user, const QByteArray& password, const QByteArray& queuePath)
{
    QByteArray r(208, '\0');
    char* p = r.data();
    PutField(p, 49, user);
    PutField(p + 49, 49, password);
    PutField(p + 100, 49, queuePath);
    const qsizetype slash = queuePath.lastIndexOf('\\');
    PutField(p + 149, 49, slash > 0 ? queuePath.left(slash) : queuePath);
    return r;
}

QByteArray MakeEventLogRecord(const QByteArray& machine, const QByteArray& domain, const QByteArray& user,
                              const QByteArray& password)
{
    const QByteArray m = StoredRecipientName(machine);
    if (m.contains('\0') || domain.contains('\0') || user.contains('\0') || password.contains('\0'))
        return QByteArray();
    const qsizetype used = m.size() + 1 + domain.size() + 1 + user.size() + 1;
    if (used + password.size() > 52 || password.size() >= 48)
        return QByteArray();
    QByteArray r(52, '\0');
    QByteArray texts = m + '\0' + domain + '\0' + user + '\0';
    std::memcpy(r.data(), texts.constData(), static_cast<size_t>(texts.size()));
    uint8_t scrambled[48] = {};
    std::memcpy(scrambled, password.constData(), static_cast<size_t>(password.size()));
    for (int i = 0; i < 48; ++i)
        scrambled[i] ^= kEventLogKey[i];
    const qsizetype room = std::min<qsizetype>(48, 52 - used);
    std::memcpy(r.data() + used, scrambled, static_cast<size_t>(room));
    return r;
}

bool ReadEventLogRecipient(const char* r, QByteArray* machine, QByteArray* domain, QByteArray* user,
                           QByteArray* password)
{
    QByteArray texts[3];
    qsizetype pos = 0;
    for (QByteArray& t : texts) {
        if (pos >= 52)
            return false;
        const void* nul = std::memchr(r + pos, 0, static_cast<size_t>(52 - pos));
        if (!nul)
            return false;
        const qsizetype end = static_cast<const char*>(nul) - r;
        t = QByteArray(r + pos, end - pos);
        pos = end + 1;
    }
    uint8_t clear[48] = {};
    const qsizetype room = std::min<qsizetype>(48, 52 - pos);
    std::memcpy(clear, r + pos, static_cast<size_t>(room));
    for (int i = 0; i < 48; ++i)
        clear[i] ^= kEventLogKey[i];
    // Bytes not stored stay zero before the key is applied, so only the stored ones count.
    QByteArray pw;
    for (qsizetype i = 0; i < room && clear[i] != 0; ++i)
        pw += static_cast<char>(clear[i]);
    *machine = texts[0];
    *domain = texts[1];
    *user = texts[2];
    *password = pw;
    return true;
}

QByteArray MakeNotesRecord(const QByteArray& name, const QByteArray& address, int32_t recipientClass)
{
    QByteArray r(440, '\0');
    PutI32(r.data(), recipientClass);
    PutField(r.data() + 4, 52, name);
    PutField(r.data() + 56, 256, address);
    return r;
}

QByteArray MakeSmtpRecord(const QByteArray& address, const QByteArray& displayName)
{
    QByteArray r(197, '\0');
    PutField(r.data(), 132, address);
    PutField(r.data() + 132, 65, displayName);
    return r;
}

} // namespace Records
