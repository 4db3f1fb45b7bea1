#include "platform/Faults.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace Faults {

namespace {

struct Plan {
    std::atomic<int64_t> count{0};
    std::atomic<int64_t> nth{0}; // 0: nothing armed
    std::atomic<int> error{ENOSPC};
    std::atomic<bool> kill{false};
};

Plan& State() {
    static Plan plan;
    return plan;
}

// The environment's plan is read once, before the first fault point.
void ReadEnvironment() {
    const char* text = std::getenv("TESSARINE_FAULT");
    if (!text)
        return;
    const bool kill = std::strncmp(text, "kill:", 5) == 0;
    if (!kill && std::strncmp(text, "fail:", 5) != 0)
        return;
    char* end = nullptr;
    const long long nth = std::strtoll(text + 5, &end, 10);
    if (nth <= 0)
        return;
    int error = ENOSPC;
    if (*end == ':')
        error = static_cast<int>(std::strtol(end + 1, nullptr, 10));
    Arm(nth, kill ? Action::kKill : Action::kFail, error > 0 ? error : ENOSPC);
}

} // namespace

void Arm(int64_t nth, Action action, int error) {
    Plan& plan = State();
    plan.count = 0;
    plan.error = error;
    plan.kill = action == Action::kKill;
    plan.nth = nth;
}

void Disarm() {
    State().nth = 0;
    State().count = 0;
}

int64_t Count() {
    return State().count;
}

bool Hit() {
    static std::once_flag environment;
    std::call_once(environment, ReadEnvironment);
    Plan& plan = State();
    const int64_t passed = ++plan.count;
    if (plan.nth == 0 || passed != plan.nth)
        return false;
    if (plan.kill)
        ::kill(getpid(), SIGKILL);
    errno = plan.error;
    return true;
}

} // namespace Faults
