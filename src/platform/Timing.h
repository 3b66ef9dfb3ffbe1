#pragma once
// Every wait, retry pause and poll interval of the system comes from here, so tests can shrink
// time instead of sleeping for seconds.
#include "platform/WinTypes.h"
#include <chrono>

namespace Timing {

// Intervals are given in the system's nominal milliseconds and scaled by the policy's factor
// (1.0 in production). VIGIMOR_TIME_SCALE in the environment sets the initial factor.
double Scale();
void SetScale(double factor);
// Nominal milliseconds -> real milliseconds (INFINITE stays INFINITE; non-zero stays >= 1).
DWORD Scaled(DWORD nominalMs);
std::chrono::milliseconds ScaledDuration(DWORD nominalMs);

// Sleeps for a nominal interval.
void Sleep(DWORD nominalMs);
// Monotonic clock in real milliseconds.
uint64_t TickCount();

class ScopedScale {
public:
    explicit ScopedScale(double factor) : m_previous(Scale()) { SetScale(factor); }
    ~ScopedScale() { SetScale(m_previous); }
private:
    double m_previous;
};

} // namespace Timing
