// Real delivery throughput: alerts taken from the spool and sent to a local SMTP server (one mail
// each) or trap receiver (one trap each), and recorded; beside baselines in the same run that send
// the same messages straight through libcurl, or the same traps straight through the transport. Servers run on free ports of 127.0.0.1.
#include "../tests/common/LocalServers.h"
#include "alertsvc/Delivery.h"
#include "alertsvc/Transports.h"
#include "alertworld/WorldTool.h"
#include "platform/World.h"
#include "records/RecipientRecords.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <curl/curl.h>

namespace {

constexpr int kMails = 50;
constexpr int kTraps = 200;
const QString kMachine = QStringLiteral("BENCHPC");

// This machine with the service installed, real delivery on, and one recipient of the method.
bool MakeWorld(const QTemporaryDir& dir, const QString& method, const QString& recipient, quint16 smtpPort,
               quint16 trapPort)
{
    World::SetRoot(dir.path());
    World::SetComputerName(kMachine);
    WorldTool::MachineOptions o;
    o.name = kMachine;
    o.installService = true;
    QString error;
    WorldTool::DeliveryOptions d;
    d.realDelivery = true;
    d.smtpPort = smtpPort;
    d.snmpPort = trapPort;
    return WorldTool::AddMachine(o, &error) == 0 &&
           WorldTool::AddRecipient(kMachine, "QUELLIT", method, recipient, &error) == 0 &&
           WorldTool::SetDelivery(kMachine, d, &error) == 0;
}

void Raise(int count)
{
    QString error;
    for (int i = 0; i < count; ++i)
        WorldTool::RaiseAlert(kMachine, "QUELLIT", 1 + i % 3, QStringLiteral("bench alert %1").arg(i), true, nullptr,
                              &error);
}

void BM_MailDelivery(benchmark::State& state)
{
    QTemporaryDir dir;
    LocalServers::SmtpServer smtp;
    const quint16 port = LocalServers::FreeTcpPort();
    QString why;
    if (!smtp.Start(port, &why) || !MakeWorld(dir, QStringLiteral("smtp"), QStringLiteral("ops@x.example,Ops"), port, 0)) {
        state.SkipWithError(qPrintable(why));
        return;
    }
    int64_t alerts = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Raise(kMails);
        state.ResumeTiming();
        alerts += Delivery::ProcessSpool(kMachine);
    }
    state.SetItemsProcessed(alerts);
}

size_t ReadMessage(char* buffer, size_t size, size_t count, void* user)
{
    auto* left = static_cast<QByteArray*>(user);
    const size_t n = std::min<size_t>(size * count, size_t(left->size()));
    std::copy_n(left->constData(), n, buffer);
    left->remove(0, qsizetype(n));
    return n;
}

// Baseline: the same number of messages, each one libcurl transfer as the service makes it.
void BM_MailBaseline(benchmark::State& state)
{
    LocalServers::SmtpServer smtp;
    const quint16 port = LocalServers::FreeTcpPort();
    QString why;
    if (!smtp.Start(port, &why)) {
        state.SkipWithError(qPrintable(why));
        return;
    }
    const QByteArray url = "smtp://127.0.0.1:" + QByteArray::number(port);
    // The very message the service sends.
    Delivery::SmtpSettings settings;
    settings.sender = "alerts@benchpc.example";
    const Delivery::AlertFacts facts{"QUELLIT", 1, QDateTime::currentDateTime(), kMachine, "bench alert 1"};
    const QByteArray message = Delivery::MailMessage(settings, "QUELLIT alert", "ops@x.example", "Ops", facts);
    for (auto _ : state) {
        for (int i = 0; i < kMails; ++i) {
            CURL* curl = curl_easy_init();
            curl_slist* to = curl_slist_append(nullptr, "<ops@x.example>");
            QByteArray left = message;
            curl_easy_setopt(curl, CURLOPT_URL, url.constData());
            curl_easy_setopt(curl, CURLOPT_MAIL_FROM, "<alerts@benchpc.example>");
            curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, to);
            curl_easy_setopt(curl, CURLOPT_READFUNCTION, ReadMessage);
            curl_easy_setopt(curl, CURLOPT_READDATA, &left);
            curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
            if (curl_easy_perform(curl) != CURLE_OK)
                state.SkipWithError("send");
            curl_slist_free_all(to);
            curl_easy_cleanup(curl);
        }
    }
    state.SetItemsProcessed(state.iterations() * kMails);
}

void BM_TrapDelivery(benchmark::State& state)
{
    QTemporaryDir dir;
    LocalServers::TrapReceiver traps;
    const quint16 port = LocalServers::FreeUdpPort();
    QString why;
    if (!traps.Start(port, &why) ||
        !MakeWorld(dir, QStringLiteral("snmp"), QStringLiteral("nms1,127.0.0.1"), LocalServers::FreeTcpPort(), port)) {
        state.SkipWithError(qPrintable(why));
        return;
    }
    int64_t alerts = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Raise(kTraps);
        state.ResumeTiming();
        alerts += Delivery::ProcessSpool(kMachine);
    }
    state.SetItemsProcessed(alerts);
}

// Baseline: the same traps sent straight through the transport, one per alert, with nothing
// spooled or recorded.
void BM_TrapBaseline(benchmark::State& state)
{
    LocalServers::TrapReceiver traps;
    const quint16 port = LocalServers::FreeUdpPort();
    QString why;
    if (!traps.Start(port, &why)) {
        state.SkipWithError(qPrintable(why));
        return;
    }
    Delivery::DeliverySwitch sw;
    sw.realDelivery = true;
    sw.snmpTrapPort = port;
    const QByteArray record = Records::MakeSnmpRecord("nms1", 0x7F000001);
    const Delivery::AlertFacts facts{"QUELLIT", 1, QDateTime::currentDateTime(), kMachine, "bench alert 1"};
    for (auto _ : state) {
        for (int i = 0; i < kTraps; ++i) {
            if (Delivery::SendTrap(sw, record.constData(), facts).kind != Delivery::Outcome::Sent)
                state.SkipWithError("send");
        }
    }
    state.SetItemsProcessed(state.iterations() * kTraps);
}

} // namespace

BENCHMARK(BM_MailDelivery)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_MailBaseline)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_TrapDelivery)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_TrapBaseline)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
