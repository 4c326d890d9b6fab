#include "platform/testing/VirtualLoop.h"

#include <algorithm>

namespace platform::testing {

struct TVirtualLoop::Timer : ITimerImpl {
    TVirtualLoop& Loop;
    TTimer& Owner;
    bool Running = false;
    int Interval = 0;
    int64_t Due = 0;
    uint64_t Seq = 0;

    Timer(TVirtualLoop& l, TTimer& o) : Loop(l), Owner(o) { Loop.FTimers.push_back(this); }
    ~Timer() override { std::erase(Loop.FTimers, this); }
    void Start(int IntervalMs) override {
        Running = true;
        Interval = std::max(IntervalMs, 1);
        Due = Loop.FNow + Interval;
        Seq = ++Loop.FSeq;
    }
    void Stop() override { Running = false; }
};

TVirtualLoop::TVirtualLoop() { SetLoopBackend(this); }

TVirtualLoop::~TVirtualLoop() { SetLoopBackend(nullptr); }

std::unique_ptr<ITimerImpl> TVirtualLoop::NewTimer(TTimer& Owner) { return std::make_unique<Timer>(*this, Owner); }

void TVirtualLoop::Post(std::function<void()> Fn) {
    std::lock_guard lock(FPostLock);
    FPosted.push_back(std::move(Fn));
}

void TVirtualLoop::ProcessMessages() {
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard lock(FPostLock);
            if (FPosted.empty()) return;
            fn = std::move(FPosted.front());
            FPosted.pop_front();
        }
        fn();
    }
}

void TVirtualLoop::Advance(int64_t Ms) {
    const int64_t end = FNow + Ms;
    ProcessMessages();
    for (;;) {
        // The timer list may change while a timer fires, so the next one is looked up afresh.
        Timer* next = nullptr;
        for (Timer* t : FTimers)
            if (t->Running && t->Due <= end && (!next || t->Due < next->Due || (t->Due == next->Due && t->Seq < next->Seq)))
                next = t;
        if (!next) break;
        FNow = next->Due;
        next->Due += next->Interval;
        next->Seq = ++FSeq;
        next->Owner.Fire();
        ProcessMessages();
    }
    FNow = end;
}

int TVirtualLoop::ActiveTimers() const {
    return int(std::count_if(FTimers.begin(), FTimers.end(), [](Timer* t) { return t->Running; }));
}

} // namespace platform::testing
