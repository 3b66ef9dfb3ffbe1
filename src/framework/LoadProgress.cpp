#include "framework/LoadProgress.h"

#include "platform/Timing.h"

#include <algorithm>

namespace LoadProgress {

namespace {
Scope* g_current = nullptr;
}

Scope::Scope(Sink sink)
    : m_sink(std::move(sink))
    , m_outer(g_current)
    , m_start(Timing::TickCount())
{
    g_current = this;
}

Scope::~Scope()
{
    g_current = m_outer;
}

void Step(qint64 done, qint64 total)
{
    Scope* scope = g_current;
    if (!scope || !scope->m_sink)
        return;
    if (Timing::TickCount() - scope->m_start < Timing::Scaled(kShowAfterMs))
        return;
    scope->m_shown = true;
    scope->m_sink(total > 0 ? int(std::clamp<qint64>(done * 100 / total, 0, 100)) : 0);
}

} // namespace LoadProgress
