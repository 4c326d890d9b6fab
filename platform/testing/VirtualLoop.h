// Virtual time for tests: timers fire only when the test advances the clock, in the order they
// fall due, so timer behaviour is tested without sleeping.
#pragma once

#include <deque>
#include <mutex>
#include <vector>

#include "platform/Loop.h"

namespace platform::testing {

class TVirtualLoop : public ILoopBackend {
public:
    TVirtualLoop();  // installs itself
    ~TVirtualLoop() override;

    std::unique_ptr<ITimerImpl> NewTimer(TTimer& Owner) override;
    void Post(std::function<void()> Fn) override;
    int64_t Now() override { return FNow; }
    // Runs posted work; time does not move.
    void ProcessMessages() override;

    // Moves the clock forward by Ms, firing each timer as it falls due (posted work runs first
    // and after every firing).
    void Advance(int64_t Ms);
    int ActiveTimers() const;

private:
    struct Timer;
    friend struct Timer;
    int64_t FNow = 0;
    uint64_t FSeq = 0; // breaks ties between timers due at the same moment: first started first
    std::vector<Timer*> FTimers;
    std::mutex FPostLock;
    std::deque<std::function<void()>> FPosted;
};

} // namespace platform::testing
