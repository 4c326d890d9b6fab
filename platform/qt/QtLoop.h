// The loop seam on Qt's event loop, used by the programs.
#pragma once

#include <QElapsedTimer>

#include "platform/Loop.h"

namespace platform::qt {

class TQtLoop : public ILoopBackend {
public:
    TQtLoop(); // installs itself; needs a QCoreApplication
    ~TQtLoop() override;
    std::unique_ptr<ITimerImpl> NewTimer(TTimer& Owner) override;
    void Post(std::function<void()> Fn) override;
    int64_t Now() override { return FClock.elapsed(); }
    void ProcessMessages() override;

private:
    QElapsedTimer FClock;
};

} // namespace platform::qt
