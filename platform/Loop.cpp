#include "platform/Loop.h"

#include <stdexcept>

namespace platform {

static ILoopBackend* gBackend = nullptr;

void SetLoopBackend(ILoopBackend* Backend) { gBackend = Backend; }

ILoopBackend& LoopBackend() {
    if (!gBackend) throw std::logic_error("no loop backend installed");
    return *gBackend;
}

TTimer::TTimer(int IntervalMs) : FInterval(IntervalMs), FImpl(LoopBackend().NewTimer(*this)) {}

TTimer::~TTimer() = default;

void TTimer::SetInterval(int IntervalMs) {
    if (IntervalMs == FInterval) return;
    FInterval = IntervalMs;
    if (FEnabled) FImpl->Start(FInterval);
}

void TTimer::SetEnabled(bool Value) {
    if (Value == FEnabled) return;
    FEnabled = Value;
    if (FEnabled)
        FImpl->Start(FInterval);
    else
        FImpl->Stop();
}

void TTimer::Fire() {
    if (FEnabled && OnTimer) OnTimer();
}

void Post(std::function<void()> Fn) { LoopBackend().Post(std::move(Fn)); }
int64_t Now() { return LoopBackend().Now(); }
void ProcessMessages() { LoopBackend().ProcessMessages(); }

} // namespace platform
