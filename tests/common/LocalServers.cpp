#include "LocalServers.h"

#include "TempWorld.h"
#include "platform/Timing.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QUdpSocket>

namespace LocalServers {

namespace {
// Process start-up is not scaled by the timing policy: these bounds are real time, and a wait
// ends as soon as the server is up.
constexpr int kStartMs = 20000;

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void EndProcess(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

// "=?UTF-8?B?...?=" words (and Q words) of a header value, decoded; other text as it is.
QString DecodeWords(const QByteArray& value)
{
    static const QRegularExpression word(QStringLiteral("=\\?([^?]+)\\?([BbQq])\\?([^?]*)\\?=(\\s+(?==\\?))?"));
    const QString text = QString::fromLatin1(value);
    QByteArray out;
    qsizetype at = 0;
    auto it = word.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += text.mid(at, m.capturedStart() - at).toLatin1();
        const QByteArray data = m.captured(3).toLatin1();
        if (m.captured(2).toUpper() == QLatin1String("B"))
            out += QByteArray::fromBase64(data);
        else
            out += QByteArray::fromPercentEncoding(QByteArray(data).replace('_', ' '), '=');
        at = m.capturedEnd();
    }
    out += text.mid(at).toLatin1();
    return QString::fromUtf8(out);
}

} // namespace

quint16 FreeTcpPort()
{
    QTcpServer server;
    return server.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0) ? server.serverPort() : 0;
}

quint16 FreeUdpPort()
{
    QUdpSocket socket;
    return socket.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0) ? socket.localPort() : 0;
}

bool PollUntil(const std::function<bool()>& pred, int realMs)
{
    const uint64_t end = Timing::TickCount() + uint64_t(realMs);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (pred())
            return true;
        if (Timing::TickCount() > end)
            return false;
        Timing::Sleep(100);
    }
}

bool SmtpServer::Start(quint16 port, const Options& o, QString* why)
{
    if (port == 0 || !m_folder.isValid()) {
        *why = QStringLiteral("no free loopback port");
        return false;
    }
    QStringList args {FixturePath(QStringLiteral("smtp_server.py")), QStringLiteral("--port"), QString::number(port),
                      QStringLiteral("--folder"), m_folder.path()};
    if (!o.user.isEmpty())
        args << QStringLiteral("--user") << o.user << QStringLiteral("--password") << o.password;
    if (!o.cert.isEmpty())
        args << QStringLiteral("--cert") << o.cert << QStringLiteral("--key") << o.key;
    if (o.delaySeconds > 0)
        args << QStringLiteral("--delay") << QString::number(o.delaySeconds);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(QStringLiteral("/usr/bin/python3"), args);
    if (!m_process.waitForStarted(kStartMs)) {
        *why = QStringLiteral("python3 with aiosmtpd did not start (scripts/bootstrap installs it)");
        return false;
    }
    QByteArray said;
    const uint64_t end = Timing::TickCount() + kStartMs;
    while (!said.contains('\n') && Timing::TickCount() < end && m_process.state() == QProcess::Running) {
        m_process.waitForReadyRead(200);
        said += m_process.readAllStandardOutput();
    }
    if (said.startsWith("READY"))
        return true;
    *why = QStringLiteral("SMTP server on 127.0.0.1:%1 did not come up: %2 %3")
               .arg(port)
               .arg(QString::fromUtf8(said.trimmed()), QString::fromUtf8(m_process.readAllStandardError().right(400)));
    EndProcess(m_process);
    return false;
}

void SmtpServer::Stop()
{
    EndProcess(m_process);
}

QList<QByteArray> SmtpServer::Mails() const
{
    QList<QByteArray> mails;
    for (int n = 1;; ++n) {
        const QString path = QDir(m_folder.path()).filePath(QStringLiteral("mail-%1.eml").arg(n));
        if (!QFile::exists(path)) {
            // Numbers of messages not stored (the client went away) are skipped.
            if (n > Receiving())
                break;
            continue;
        }
        mails << ReadAll(path);
    }
    return mails;
}

int SmtpServer::Receiving() const
{
    return int(QDir(m_folder.path()).entryList({QStringLiteral("receiving-*")}, QDir::Files).size());
}

bool TrapReceiver::Start(quint16 port, QString* why)
{
    if (port == 0 || !m_folder.isValid()) {
        *why = QStringLiteral("no free loopback port");
        return false;
    }
    const QDir dir(m_folder.path());
    QFile conf(dir.filePath(QStringLiteral("snmptrapd.conf")));
    if (!conf.open(QIODevice::WriteOnly) || conf.write("disableAuthorization yes\n") <= 0) {
        *why = QStringLiteral("cannot write the receiver's configuration");
        return false;
    }
    conf.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SNMP_PERSISTENT_DIR"), m_folder.path());
    m_process.setProcessEnvironment(env);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral("/usr/sbin/snmptrapd"),
                    {QStringLiteral("-f"), QStringLiteral("-C"), QStringLiteral("-c"), conf.fileName(),
                     QStringLiteral("-On"), QStringLiteral("-M"), QStringLiteral("/dev/null"), QStringLiteral("-m"),
                     QString(), QStringLiteral("-Lf"), dir.filePath(QStringLiteral("traps.log")), QStringLiteral("-F"),
                     QStringLiteral("TRAP %a %v\\n"), QStringLiteral("udp:127.0.0.1:%1").arg(port)});
    if (!m_process.waitForStarted(kStartMs)) {
        *why = QStringLiteral("snmptrapd did not start (scripts/bootstrap installs it)");
        return false;
    }
    // It says its version once it listens, and ends at once when it cannot bind.
    const bool up = PollUntil([&] {
        return m_process.state() != QProcess::Running ||
               ReadAll(dir.filePath(QStringLiteral("traps.log"))).contains("NET-SNMP version");
    }, kStartMs);
    if (up && m_process.state() == QProcess::Running)
        return true;
    *why = QStringLiteral("snmptrapd on 127.0.0.1:%1 did not come up: %2")
               .arg(port)
               .arg(QString::fromUtf8(ReadAll(dir.filePath(QStringLiteral("traps.log"))).right(400) +
                                      m_process.readAll().right(400)));
    EndProcess(m_process);
    return false;
}

void TrapReceiver::Stop()
{
    EndProcess(m_process);
}

QList<QByteArray> TrapReceiver::Traps() const
{
    QList<QByteArray> traps;
    for (const QByteArray& line : ReadAll(QDir(m_folder.path()).filePath(QStringLiteral("traps.log"))).split('\n')) {
        if (line.startsWith("TRAP "))
            traps << line;
    }
    return traps;
}

Mail ParseMail(const QByteArray& stored)
{
    Mail mail;
    const qsizetype split = stored.indexOf("\r\n\r\n");
    const QByteArray head = split >= 0 ? stored.left(split) : stored;
    QByteArray body = split >= 0 ? stored.mid(split + 4) : QByteArray();
    // Unfold continuation lines, then take one header a line.
    QByteArray unfolded = head;
    unfolded.replace("\r\n ", " ").replace("\r\n\t", " ");
    QByteArray kept;
    for (const QByteArray& line : unfolded.split('\n')) {
        const QByteArray l = line.endsWith('\r') ? line.chopped(1) : line;
        const qsizetype colon = l.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = l.left(colon).toLower();
        const QByteArray value = l.mid(colon + 1).trimmed();
        if (name == "x-envelope-to")
            mail.envelopeTo << value;
        else {
            mail.headers.insert(name, DecodeWords(value));
            kept += l + "\r\n";
        }
    }
    mail.rawHeaders = kept;
    if (mail.headers.value("content-transfer-encoding").compare(QLatin1String("base64"), Qt::CaseInsensitive) == 0)
        body = QByteArray::fromBase64(body.replace("\r\n", ""));
    mail.body = body;
    return mail;
}

bool MakeCertificate(const QString& certPath, const QString& keyPath)
{
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("rsa:2048"),
                   QStringLiteral("-nodes"), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                   QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"),
                   QStringLiteral("subjectAltName=IP:127.0.0.1"), QStringLiteral("-keyout"), keyPath,
                   QStringLiteral("-out"), certPath});
    return openssl.waitForFinished(kStartMs) && openssl.exitStatus() == QProcess::NormalExit &&
           openssl.exitCode() == 0 && QFile::exists(certPath);
}

} // namespace LocalServers
