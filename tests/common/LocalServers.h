#pragma once
// Real servers for the delivery tests, on free ports of 127.0.0.1 and started by the test: an
// SMTP server (Debian's aiosmtpd, tests/fixtures/smtp_server.py) that stores each message it
// accepts, and Debian's snmptrapd writing the traps it receives to a log. Nothing else is ever
// addressed. A server that cannot bind its port says why, and the test skips with that.
#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <functional>

namespace LocalServers {

// A port of 127.0.0.1 free at the moment of asking (TCP or UDP).
quint16 FreeTcpPort();
quint16 FreeUdpPort();

// Polls pred (each pause from the timing policy) until it holds; false after realMs.
bool PollUntil(const std::function<bool()>& pred, int realMs = 15000);

class SmtpServer {
public:
    struct Options {
        QString user, password;   // authentication required when user is set
        QString cert, key;        // STARTTLS offered (and required) with this certificate
        double delaySeconds = 0;  // inside DATA, before storing
    };
    SmtpServer() = default;
    ~SmtpServer() { Stop(); }
    // Starts on 127.0.0.1:port; false with the reason when it does not come up.
    bool Start(quint16 port, const Options& options, QString* why);
    bool Start(quint16 port, QString* why) { return Start(port, Options(), why); }
    void Stop();
    // The messages stored so far, in the order received ("X-Envelope-To:" lines first).
    QList<QByteArray> Mails() const;
    // How many DATA commands began.
    int Receiving() const;

private:
    QTemporaryDir m_folder;
    QProcess m_process;
};

class TrapReceiver {
public:
    TrapReceiver() = default;
    ~TrapReceiver() { Stop(); }
    bool Start(quint16 port, QString* why);
    void Stop();
    // One line per trap: "TRAP <source> <varbinds, tab-separated, numeric OIDs>".
    QList<QByteArray> Traps() const;

private:
    QTemporaryDir m_folder;
    QProcess m_process;
};

// A stored message taken apart: envelope recipients, headers (names lower case, encoded words
// decoded) and the body (base64 decoded when so marked).
struct Mail {
    QList<QByteArray> envelopeTo;
    QMap<QByteArray, QString> headers;
    QByteArray rawHeaders;
    QByteArray body;
};
Mail ParseMail(const QByteArray& stored);

// A self-signed certificate for 127.0.0.1 (openssl); false when it cannot be made.
bool MakeCertificate(const QString& certPath, const QString& keyPath);

} // namespace LocalServers
