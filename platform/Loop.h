// The main loop seam: timers, hand-over from other threads, the clock, and running the loop in
// place. The programs run it on Qt's event loop; tests run it on virtual time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

// What a loop backend does for one timer.
class ITimerImpl {
public:
    virtual ~ITimerImpl() = default;
    virtual void Start(int IntervalMs) = 0; // (re)starts counting from now
    virtual void Stop() = 0;
};

class TTimer;

class ILoopBackend {
public:
    virtual ~ILoopBackend() = default;
    // Fire() on the timer is called on the main thread each time the interval has passed.
    virtual std::unique_ptr<ITimerImpl> NewTimer(TTimer& Owner) = 0;
    virtual void Post(std::function<void()> Fn) = 0; // any thread; runs later on the main thread
    virtual int64_t Now() = 0;                       // milliseconds, monotonic
    virtual void ProcessMessages() = 0;              // runs what is due, then returns
};

// Installs the backend used from now on; main() and test fixtures call it before anything else.
void SetLoopBackend(ILoopBackend* Backend);
ILoopBackend& LoopBackend();

// A periodic main-thread timer. Enabling (re)starts the interval; changing the interval of a
// running timer restarts it.
class TTimer {
public:
    explicit TTimer(int IntervalMs = 1000);
    ~TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    int GetInterval() const { return FInterval; }
    void SetInterval(int IntervalMs);
    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool Value);

    std::function<void()> OnTimer;

    // Called by the backend.
    void Fire();

private:
    int FInterval;
    bool FEnabled = false;
    std::unique_ptr<ITimerImpl> FImpl;
};

void Post(std::function<void()> Fn);
int64_t Now();
void ProcessMessages();

} // namespace platform
