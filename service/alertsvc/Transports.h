#pragma once
// Real delivery of one alert to one recipient: SMTP mail through libcurl, SNMP v2c traps through
// Net-SNMP. Used only while the world's delivery switch is on (DeliverySwitch.h).
//
// Traps carry the enterprise subtree 1.3.6.1.4.1.32473.7 (32473 is the enterprise number set
// aside for documentation; a deployment that registers its own replaces it here):
//   .0.1   trap "alert raised" (snmpTrapOID.0)
//   .1.1   application (OCTET STRING)   .1.2 severity (INTEGER 1 important, 2 warning, 3 information)
//   .1.3   time (OCTET STRING, yyyy-MM-dd hh:mm:ss local)   .1.4 machine (OCTET STRING)
//   .1.5   alert text (OCTET STRING, UTF-8)
// sent with community "public" to the recipient's IPv4 address on the switch's trap port.
#include "alertsvc/DeliverySwitch.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace Delivery {

// What one attempt came to. Retry: worth trying again later (server down, time-out, a 4xx
// reply); GiveUp: trying again cannot help (authentication, certificate, refused address).
struct Outcome {
    enum Kind { Sent, Retry, GiveUp } kind = Sent;
    QString reason;   // English, for the activity log
};

// The facts an alert carries to its recipients.
struct AlertFacts {
    QByteArray application;
    int severity = 3;
    QDateTime time;       // local
    QString machine;
    QByteArray text;      // UTF-8
};

// The SMTP settings record (1228 bytes) as the service uses it.
struct SmtpSettings {
    QByteArray sender;
    QByteArray subject;
    QByteArray server;
    QByteArray user;
    QByteArray password;
    bool authentication = false;
    uint32_t port = 25;
    uint32_t security = 0;   // 0 none, 1 TLS (STARTTLS), 2 SSL (implicit)
    static SmtpSettings FromRecord(const QByteArray& record1228);
};

// The whole message (headers and body, CR LF lines): UTF-8 headers as RFC 2047 encoded words,
// the body in base64.
QByteArray MailMessage(const SmtpSettings& settings, const QByteArray& subject, const QByteArray& toAddress,
                       const QByteArray& toName, const AlertFacts& facts);

Outcome SendMail(const DeliverySwitch& sw, const SmtpSettings& settings, const QByteArray& toAddress,
                 const QByteArray& message);
// record: a 68-byte SNMP recipient record.
Outcome SendTrap(const DeliverySwitch& sw, const char* record, const AlertFacts& facts);

} // namespace Delivery
