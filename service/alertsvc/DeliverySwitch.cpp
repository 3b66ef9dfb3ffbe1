#include "alertsvc/DeliverySwitch.h"

#include "platform/World.h"
#include "records/StoreFile.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

namespace Delivery {

namespace {
constexpr qint64 kSwitchFileLimit = 64 * 1024;
}

QString DeliverySwitchPath()
{
    return QDir(World::Root()).filePath(QStringLiteral("delivery.json"));
}

QString DeliverySwitch::CaFileHostPath() const
{
    if (smtpCaFile.isEmpty() || QDir::isAbsolutePath(smtpCaFile))
        return QString();
    const QString root = QDir::cleanPath(World::Root());
    const QString path = QDir::cleanPath(root + QLatin1Char('/') + smtpCaFile);
    return path.startsWith(root + QLatin1Char('/')) ? path : QString();
}

DeliverySwitch ReadDeliverySwitch()
{
    DeliverySwitch s;
    QByteArray data;
    if (!Records::ReadWholeFile(DeliverySwitchPath(), kSwitchFileLimit, &data))
        return s;
    const QJsonObject o = QJsonDocument::fromJson(data).object();
    s.realDelivery = o.value(QLatin1String("realDelivery")).toBool(false);
    s.loopbackOnly = o.value(QLatin1String("loopbackOnly")).toBool(true);
    const int port = o.value(QLatin1String("snmpTrapPort")).toInt(162);
    if (port >= 1 && port <= 65535)
        s.snmpTrapPort = static_cast<quint16>(port);
    s.smtpCaFile = o.value(QLatin1String("smtpCaFile")).toString();
    return s;
}

bool WriteDeliverySwitch(const DeliverySwitch& s)
{
    QJsonObject o;
    o.insert(QLatin1String("realDelivery"), s.realDelivery);
    o.insert(QLatin1String("loopbackOnly"), s.loopbackOnly);
    o.insert(QLatin1String("snmpTrapPort"), int(s.snmpTrapPort));
    o.insert(QLatin1String("smtpCaFile"), s.smtpCaFile);
    return Records::ReplaceFile(DeliverySwitchPath(), QJsonDocument(o).toJson());
}

bool IsLoopback(const QHostAddress& address)
{
    bool ipv4 = false;
    const quint32 v = address.toIPv4Address(&ipv4);
    return ipv4 && address.protocol() == QAbstractSocket::IPv4Protocol && (v >> 24) == 127;
}

} // namespace Delivery
