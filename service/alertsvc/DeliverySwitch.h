#pragma once
// The world's delivery switch, <world>/delivery.json: whether the service sends SMTP mail and SNMP
// traps for real, and to which addresses it may send them.
//
//   {"realDelivery": false, "loopbackOnly": true, "snmpTrapPort": 162, "smtpCaFile": ""}
//
// Every key is optional; a missing or unreadable file means the defaults above: nothing is sent,
// deliveries are only recorded. While loopbackOnly holds, the service sends to nothing outside
// 127.0.0.0/8. smtpCaFile names, relative to the world root, the certificates that verify an SMTP
// server (empty: the system's); it never leaves the world.
#include <QHostAddress>
#include <QString>

namespace Delivery {

struct DeliverySwitch {
    bool realDelivery = false;
    bool loopbackOnly = true;
    quint16 snmpTrapPort = 162;
    QString smtpCaFile;   // relative to the world root

    // Host path of smtpCaFile; empty when none is set or it would leave the world.
    QString CaFileHostPath() const;
};

QString DeliverySwitchPath();   // host path of delivery.json in the current world
DeliverySwitch ReadDeliverySwitch();
bool WriteDeliverySwitch(const DeliverySwitch& settings);   // atomic

// An IPv4 address in 127.0.0.0/8.
bool IsLoopback(const QHostAddress& address);

} // namespace Delivery
