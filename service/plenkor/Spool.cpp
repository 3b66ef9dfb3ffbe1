#include "plenkor/Spool.h"

#include "plenkor/PackedAlert.h"
#include "records/ByteField.h"
#include "records/MethodTable.h"
#include "records/StoreFile.h"
#include "tarnix/MachineStore.h"

#include <QAtomicInteger>
#include <QCoreApplication>
#include <QDateTime>

namespace Plenkor {

using namespace Records;

namespace {
constexpr int kFixed = 36;
constexpr int kFormatVersion = 1;
QAtomicInteger<quint32> g_sequence;

bool ValidText(const QByteArray& text)
{
    return text.size() <= kMaxTextBytes && !text.contains('\0');
}

} // namespace

QByteArray SerializeSpooled(const SpooledAlert& a)
{
    QByteArray data(kFixed, '\0');
    char* p = data.data();
    std::copy_n("VSPL", 4, p);
    PutU16(p + 4, kFormatVersion);
    PutI64(p + 8, a.submittedMs);
    PutU32(p + 16, a.methodBits);
    PutI32(p + 20, a.priority);
    PutI32(p + 24, a.reserved);
    PutU16(p + 28, static_cast<uint16_t>(a.application.size()));
    PutU16(p + 30, static_cast<uint16_t>(a.text.size()));
    PutU32(p + 32, static_cast<uint32_t>(a.packed.size()));
    data += a.application;
    data += a.text;
    data += a.packed;
    QByteArray crc(4, '\0');
    PutU32(crc.data(), Crc32(data.constData(), data.size()));
    return data + crc;
}

DWORD ParseSpooled(const QByteArray& data, SpooledAlert* out)
{
    if (data.size() < kFixed + 4 || !data.startsWith("VSPL"))
        return ERROR_INVALID_DATA;
    const char* p = data.constData();
    const qsizetype end = data.size() - 4;
    if (U16At(p + 4) != kFormatVersion || U16At(p + 6) != 0)
        return ERROR_INVALID_DATA;
    const uint16_t appLength = U16At(p + 28);
    const uint16_t textLength = U16At(p + 30);
    const uint32_t packedLength = U32At(p + 32);
    if (appLength < 1 || appLength > 8 || textLength > kMaxTextBytes || packedLength > kMaxPackedSize)
        return ERROR_INVALID_DATA;
    if (static_cast<qint64>(kFixed) + appLength + textLength + packedLength != end)
        return ERROR_INVALID_DATA;
    if (Crc32(p, end) != U32At(p + end))
        return ERROR_INVALID_DATA;
    SpooledAlert a;
    a.submittedMs = I64At(p + 8);
    a.methodBits = U32At(p + 16);
    a.priority = I32At(p + 20);
    a.reserved = I32At(p + 24);
    a.application = data.mid(kFixed, appLength);
    a.text = data.mid(kFixed + appLength, textLength);
    a.packed = data.mid(kFixed + appLength + textLength, static_cast<qsizetype>(packedLength));
    if (!Tarnix::IsValidApplicationName(a.application) || !ValidText(a.text))
        return ERROR_INVALID_DATA;
    *out = a;
    return 0;
}

DWORD SpoolDirectory(const QString& machine, QString* hostPath)
{
    const Tarnix::MachineStore store(machine);
    const QString home = store.PathValue("Home");
    if (home.isEmpty())
        return ERROR_PATH_NOT_FOUND;
    return World::ResolvePathOn(machine, home + QStringLiteral("\\spool"), hostPath);
}

DWORD BadSpoolDirectory(const QString& machine, QString* hostPath)
{
    const Tarnix::MachineStore store(machine);
    const QString home = store.PathValue("Home");
    if (home.isEmpty())
        return ERROR_PATH_NOT_FOUND;
    return World::ResolvePathOn(machine, home + QStringLiteral("\\spool\\bad"), hostPath);
}

DWORD SubmitAlert(const QString& machine, const SpooledAlert& alert, bool requireService)
{
    QString m;
    if (const DWORD rc = Tarnix::CheckMachine(machine, &m))
        return rc;
    if (!Tarnix::IsValidApplicationName(alert.application) || !ValidText(alert.text))
        return ERROR_INVALID_PARAMETER;
    if (alert.methodBits == 0 || (alert.methodBits & ~AllMethodBits()) != 0)
        return ERROR_INVALID_PARAMETER;
    PackedAlert packed;
    if (const DWORD rc = Unpack(alert.packed, &packed))
        return rc;
    if (requireService && !Tarnix::AlertServiceUp(m))
        return ERROR_SERVICE_NOT_ACTIVE;
    QString dir;
    {
        const World::ScopedLocalMachine scope(m);
        if (const DWORD rc = SpoolDirectory(m, &dir))
            return rc;
    }
    SpooledAlert stored = alert;
    if (stored.submittedMs == 0)
        stored.submittedMs = QDateTime::currentMSecsSinceEpoch();
    // Names sort in submission order, and never collide between processes or threads.
    const QString name = QStringLiteral("%1-%2-%3.alq")
                             .arg(stored.submittedMs, 15, 10, QLatin1Char('0'))
                             .arg(QCoreApplication::applicationPid())
                             .arg(g_sequence.fetchAndAddRelaxed(1), 8, 10, QLatin1Char('0'));
    return ReplaceFile(dir + QLatin1Char('/') + name, SerializeSpooled(stored)) ? 0 : ERROR_ACCESS_DENIED;
}

} // namespace Plenkor
