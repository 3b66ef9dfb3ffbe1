#pragma once
// Progress of a long load on the UI thread. The window that starts a load opens a scope with
// what to show; the code doing the work reports its steps, and once a load has run for half a
// second each step updates what the user sees.
#include <QtGlobal>

#include <functional>

namespace LoadProgress {

constexpr int kShowAfterMs = 500;

// percent: 0..100 of the work done, as far as the reporter knows it.
using Sink = std::function<void(int percent)>;

class Scope {
public:
    explicit Scope(Sink sink);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    // Whether any step was shown.
    bool Shown() const { return m_shown; }

private:
    friend void Step(qint64, qint64);
    Sink m_sink;
    Scope* m_outer = nullptr;
    quint64 m_start = 0;
    bool m_shown = false;
};

// A step of the innermost open scope's load (nothing without one).
void Step(qint64 done, qint64 total);

} // namespace LoadProgress
