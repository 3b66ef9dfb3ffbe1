#include "platform/Timing.h"

#include <QByteArray>
#include <QString>
#include <QElapsedTimer>
#include <atomic>
#include <cmath>
#include <thread>

namespace Timing {
namespace {

double InitialScale()
{
    bool ok = false;
    const double v = qEnvironmentVariable("VIGIMOR_TIME_SCALE").toDouble(&ok);
    return ok && v > 0 ? v : 1.0;
}

std::atomic<double>& Factor()
{
    static std::atomic<double> factor{InitialScale()};
    return factor;
}

} // namespace

double Scale() { return Factor().load(); }

void SetScale(double factor)
{
    if (factor > 0)
        Factor().store(factor);
}

DWORD Scaled(DWORD nominalMs)
{
    if (nominalMs == INFINITE || nominalMs == 0)
        return nominalMs;
    const double real = std::ceil(double(nominalMs) * Scale());
    if (real < 1)
        return 1;
    if (real >= double(INFINITE - 1))
        return INFINITE - 1;
    return DWORD(real);
}

std::chrono::milliseconds ScaledDuration(DWORD nominalMs)
{
    return std::chrono::milliseconds(Scaled(nominalMs));
}

void Sleep(DWORD nominalMs)
{
    std::this_thread::sleep_for(ScaledDuration(nominalMs));
}

uint64_t TickCount()
{
    static QElapsedTimer clock = [] { QElapsedTimer t; t.start(); return t; }();
    return uint64_t(clock.elapsed());
}

} // namespace Timing
