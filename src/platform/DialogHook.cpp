#include "platform/DialogHook.h"

#include <mutex>

namespace DialogHook {
namespace {
std::mutex g_lock;
Runner& Installed()
{
    static Runner* runner = new Runner;
    return *runner;
}
} // namespace

void SetRunner(Runner runner)
{
    std::lock_guard<std::mutex> guard(g_lock);
    Installed() = std::move(runner);
}

int Run(QObject* dialog)
{
    Runner runner;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        runner = Installed();
    }
    return runner ? runner(dialog) : -1;
}

} // namespace DialogHook
