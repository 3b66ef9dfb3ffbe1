#include "alertsvc/Transports.h"

#include "platform/Timing.h"
#include "records/ByteField.h"
#include "records/RecipientRecords.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostInfo>

#include <algorithm>
#include <cstring>
#include <atomic>
#include <mutex>

#include <curl/curl.h>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

namespace Delivery {

namespace {

// Nominal times of one SMTP exchange; never below a few real seconds, so a loaded machine
// running shrunk tests does not turn a slow answer into a failure.
constexpr DWORD kConnectTimeoutMs = 15000, kConnectFloorMs = 3000;
constexpr DWORD kExchangeTimeoutMs = 60000, kExchangeFloorMs = 10000;

const char* SeverityWord(int severity)
{
    return severity == 1 ? "Important" : severity == 2 ? "Warning" : "Information";
}

// A header text: plain when it is printable ASCII, else RFC 2047 encoded words of whole UTF-8
// characters (at most 45 bytes each, so no word passes 75 characters).
QByteArray HeaderText(const QByteArray& text)
{
    const bool plain = std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
    if (plain)
        return text;
    QByteArray out;
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype end = std::min(at + 45, text.size());
        while (end < text.size() && end > at && (static_cast<uchar>(text[end]) & 0xC0) == 0x80)
            --end;   // never split a character
        if (!out.isEmpty())
            out += "\r\n ";
        out += "=?UTF-8?B?" + text.mid(at, end - at).toBase64() + "?=";
        at = end;
    }
    return out;
}

// A display name for an address header: encoded words when it is not ASCII, a quoted string
// when it holds characters that mean something in an address list.
QByteArray DisplayName(const QByteArray& name)
{
    const QByteArray text = HeaderText(name);
    if (text != name || !std::any_of(name.begin(), name.end(), [](char c) { return c != '\0' && strchr("()<>[]:;@\\,.\"", c); }))
        return text;
    QByteArray quoted = name;
    quoted.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + quoted + '"';
}

// A mail address a header or envelope may carry: no line breaks, no angle brackets.
bool SafeAddress(const QByteArray& address)
{
    return !address.isEmpty() && std::none_of(address.begin(), address.end(), [](char c) {
        return c == '\r' || c == '\n' || c == '<' || c == '>' || c == '\0';
    });
}

QByteArray OneLine(QByteArray text)
{
    return text.replace('\r', ' ').replace('\n', ' ');
}

std::once_flag g_curlOnce;
std::once_flag g_snmpOnce;

struct Upload {
    const QByteArray* data;
    qsizetype at = 0;
};

size_t ReadUpload(char* buffer, size_t size, size_t count, void* user)
{
    auto* u = static_cast<Upload*>(user);
    const size_t n = std::min<size_t>(size * count, static_cast<size_t>(u->data->size() - u->at));
    std::copy_n(u->data->constData() + u->at, n, buffer);
    u->at += static_cast<qsizetype>(n);
    return n;
}

// The server's IPv4 address; the name is looked up once and curl is held to what was checked.
bool ResolveServer(const QByteArray& server, QHostAddress* out)
{
    QHostAddress literal;
    if (literal.setAddress(QString::fromLatin1(server))) {
        *out = literal;
        return true;
    }
    const QHostInfo info = QHostInfo::fromName(QString::fromLatin1(server));
    for (const QHostAddress& a : info.addresses()) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol) {
            *out = a;
            return true;
        }
    }
    return false;
}

Outcome Classify(CURLcode rc, long response, const char* detail)
{
    const QString text = QString::fromUtf8(detail[0] ? detail : curl_easy_strerror(rc));
    switch (rc) {
    case CURLE_OK:
        return {Outcome::Sent, QString()};
    case CURLE_COULDNT_CONNECT:
        return {Outcome::Retry, QStringLiteral("connection refused (%1)").arg(text)};
    case CURLE_LOGIN_DENIED:
        return {Outcome::GiveUp, QStringLiteral("authentication failed (%1)").arg(text)};
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
        return {Outcome::GiveUp, QStringLiteral("certificate not accepted (%1)").arg(text)};
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CONNECT_ERROR:
        return {Outcome::GiveUp, QStringLiteral("secure connection failed (%1)").arg(text)};
    default:
        break;
    }
    // A permanent refusal by the server (5xx) is final; anything else may pass later.
    if (response >= 500 && response < 600)
        return {Outcome::GiveUp, QStringLiteral("refused by the server: %1 (%2)").arg(response).arg(text)};
    return {Outcome::Retry, text};
}

} // namespace

SmtpSettings SmtpSettings::FromRecord(const QByteArray& r)
{
    SmtpSettings s;
    if (r.size() < 980)
        return s;
    const char* p = r.constData();
    s.sender = Records::FieldBytes(p, 256);
    s.subject = Records::FieldBytes(p + 256, 256);
    s.server = Records::FieldBytes(p + 512, 256).trimmed();
    s.user = Records::FieldBytes(p + 768, 150);
    s.password = Records::FieldBytes(p + 918, 50);
    s.authentication = Records::U32At(p + 968) != 0;
    s.port = Records::U32At(p + 972);
    s.security = Records::U32At(p + 976);
    if (s.port == 0 || s.port > 65535)
        s.port = s.security == 2 ? 465 : 25;
    return s;
}

QByteArray MailMessage(const SmtpSettings& settings, const QByteArray& subject, const QByteArray& toAddress,
                       const QByteArray& toName, const AlertFacts& facts)
{
    static std::atomic<quint32> sequence{0};
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QByteArray m;
    m += "From: <" + settings.sender + ">\r\n";
    m += "To: " + (toName.isEmpty() ? QByteArray() : DisplayName(OneLine(toName)) + ' ') + '<' + toAddress + ">\r\n";
    m += "Subject: " + HeaderText(OneLine(subject)) + "\r\n";
    m += "Date: " + now.toString(Qt::RFC2822Date).toLatin1() + "\r\n";
    m += "Message-ID: <" + QByteArray::number(now.toMSecsSinceEpoch()) + '.' +
         QByteArray::number(QCoreApplication::applicationPid()) + '.' + QByteArray::number(sequence++) + '@' +
         facts.machine.toLatin1() + ".alert>\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: text/plain; charset=UTF-8\r\n";
    m += "Content-Transfer-Encoding: base64\r\n\r\n";
    const QByteArray body = "Application: " + facts.application + "\r\n" + "Severity: " +
                            SeverityWord(facts.severity) + "\r\n" + "Time: " +
                            facts.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toLatin1() + "\r\n" +
                            "Machine: " + facts.machine.toUtf8() + "\r\n\r\n" + facts.text + "\r\n";
    const QByteArray encoded = body.toBase64();
    for (qsizetype at = 0; at < encoded.size(); at += 76)
        m += encoded.mid(at, 76) + "\r\n";
    return m;
}

Outcome SendMail(const DeliverySwitch& sw, const SmtpSettings& s, const QByteArray& toAddress, const QByteArray& message)
{
    if (s.server.isEmpty())
        return {Outcome::GiveUp, QStringLiteral("no SMTP server is set")};
    if (!SafeAddress(s.sender) || !SafeAddress(toAddress))
        return {Outcome::GiveUp, QStringLiteral("not a usable mail address")};
    for (char c : s.server) {
        if (!(QChar::fromLatin1(c).isLetterOrNumber() || c == '.' || c == '-'))
            return {Outcome::GiveUp, QStringLiteral("not a usable server name")};
    }
    QHostAddress address;
    if (sw.loopbackOnly) {
        // Only an address or "localhost": looking a name up would itself send traffic away.
        if (s.server.compare("localhost", Qt::CaseInsensitive) == 0)
            address = QHostAddress(QHostAddress::LocalHost);
        else if (!address.setAddress(QString::fromLatin1(s.server)) || !IsLoopback(address))
            return {Outcome::GiveUp, QStringLiteral("server %1 is not a loopback address; this world sends only to "
                                                    "127.0.0.0/8").arg(QString::fromLatin1(s.server))};
    } else if (!ResolveServer(s.server, &address)) {
        return {Outcome::Retry, QStringLiteral("server %1 not found").arg(QString::fromLatin1(s.server))};
    }
    std::call_once(g_curlOnce, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    CURL* curl = curl_easy_init();
    if (!curl)
        return {Outcome::Retry, QStringLiteral("out of memory")};
    const QByteArray host = s.server;
    const QByteArray port = QByteArray::number(s.port);
    const QByteArray url = (s.security == 2 ? "smtps://" : "smtp://") + host + ':' + port;
    const QByteArray pin = host + ':' + port + ':' + address.toString().toLatin1();
    const QByteArray from = '<' + s.sender + '>';
    const QByteArray to = '<' + toAddress + '>';
    const QByteArray caFile = QFile::encodeName(sw.CaFileHostPath());
    curl_slist* resolve = curl_slist_append(nullptr, pin.constData());
    curl_slist* recipients = curl_slist_append(nullptr, to.constData());
    char detail[CURL_ERROR_SIZE] = {0};
    Upload upload{&message};
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    curl_easy_setopt(curl, CURLOPT_RESOLVE, resolve);
    curl_easy_setopt(curl, CURLOPT_IPRESOLVE, CURL_IPRESOLVE_V4);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, detail);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                     long(std::max<DWORD>(Timing::Scaled(kConnectTimeoutMs), kConnectFloorMs)));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(std::max<DWORD>(Timing::Scaled(kExchangeTimeoutMs), kExchangeFloorMs)));
    if (s.security == 1)
        curl_easy_setopt(curl, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile.isEmpty())
        curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.constData());
    if (s.authentication) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, s.user.constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, s.password.constData());
    }
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, ReadUpload);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    const CURLcode rc = curl_easy_perform(curl);
    long response = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response);
    curl_easy_cleanup(curl);
    curl_slist_free_all(recipients);
    curl_slist_free_all(resolve);
    return Classify(rc, response, detail);
}

Outcome SendTrap(const DeliverySwitch& sw, const char* r, const AlertFacts& facts)
{
    const uint8_t method = static_cast<uint8_t>(r[67]);
    if (method == 1)
        return {Outcome::GiveUp, QStringLiteral("IPX address: traps are sent over IP only")};
    if (method != 2)
        return {Outcome::GiveUp, QStringLiteral("no send method chosen")};
    const quint32 ip = (quint32(uint8_t(r[12])) << 24) | (quint32(uint8_t(r[13])) << 16) |
                       (quint32(uint8_t(r[14])) << 8) | quint32(uint8_t(r[15]));
    const QHostAddress address(ip);
    if (ip == 0)
        return {Outcome::GiveUp, QStringLiteral("no IP address")};
    if (sw.loopbackOnly && !IsLoopback(address))
        return {Outcome::GiveUp, QStringLiteral("manager %1 is not a loopback address; this world sends only to 127.0.0.0/8")
                                     .arg(address.toString())};
    std::call_once(g_snmpOnce, [] {
        // The library's own configuration files, MIBs and saved state are not ours to read or write.
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
        snmp_disable_log();
        // Traps are built from numeric names: no MIB is needed, and reading the installed ones
        // only fills the log with their complaints.
        qputenv("MIBS", "");
        init_snmp("alertsvc");
    });
    netsnmp_session session;
    snmp_sess_init(&session);
    QByteArray peer = "udp:" + address.toString().toLatin1() + ':' + QByteArray::number(sw.snmpTrapPort);
    QByteArray community = "public";
    session.version = SNMP_VERSION_2c;
    session.peername = peer.data();
    session.community = reinterpret_cast<u_char*>(community.data());
    session.community_len = static_cast<size_t>(community.size());
    void* handle = snmp_sess_open(&session);
    if (!handle)
        return {Outcome::Retry, QStringLiteral("cannot open an SNMP session to %1").arg(QString::fromLatin1(peer))};
    netsnmp_pdu* pdu = snmp_pdu_create(SNMP_MSG_TRAP2);
    static const oid kUptime[] = {1, 3, 6, 1, 2, 1, 1, 3, 0};
    static const oid kTrapOid[] = {1, 3, 6, 1, 6, 3, 1, 1, 4, 1, 0};
    static const oid kAlertRaised[] = {1, 3, 6, 1, 4, 1, 32473, 7, 0, 1};
    const u_long ticks = static_cast<u_long>(Timing::TickCount() / 10);
    snmp_pdu_add_variable(pdu, kUptime, OID_LENGTH(kUptime), ASN_TIMETICKS, &ticks, sizeof(ticks));
    snmp_pdu_add_variable(pdu, kTrapOid, OID_LENGTH(kTrapOid), ASN_OBJECT_ID, kAlertRaised, sizeof(kAlertRaised));
    auto addText = [pdu](oid field, const QByteArray& text) {
        const oid name[] = {1, 3, 6, 1, 4, 1, 32473, 7, 1, field};
        snmp_pdu_add_variable(pdu, name, OID_LENGTH(name), ASN_OCTET_STR, text.constData(), size_t(text.size()));
    };
    addText(1, facts.application);
    const oid severityName[] = {1, 3, 6, 1, 4, 1, 32473, 7, 1, 2};
    const long severity = facts.severity;
    snmp_pdu_add_variable(pdu, severityName, OID_LENGTH(severityName), ASN_INTEGER, &severity, sizeof(severity));
    addText(3, facts.time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toLatin1());
    addText(4, facts.machine.toUtf8());
    addText(5, facts.text);
    const int sent = snmp_sess_send(handle, pdu);
    if (!sent)
        snmp_free_pdu(pdu);
    snmp_sess_close(handle);
    if (!sent)
        return {Outcome::Retry, QStringLiteral("trap to %1 not sent").arg(QString::fromLatin1(peer))};
    return {Outcome::Sent, QString()};
}

} // namespace Delivery
