#include "platform/qt/QtLoop.h"

#include <QCoreApplication>
#include <QTimer>

namespace platform::qt {

namespace {
class TQtTimer : public ITimerImpl {
public:
    explicit TQtTimer(TTimer& Owner) {
        FTimer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&FTimer, &QTimer::timeout, [&Owner] { Owner.Fire(); });
    }
    void Start(int IntervalMs) override { FTimer.start(IntervalMs); }
    void Stop() override { FTimer.stop(); }

private:
    QTimer FTimer;
};
} // namespace

TQtLoop::TQtLoop() {
    FClock.start();
    SetLoopBackend(this);
}

TQtLoop::~TQtLoop() { SetLoopBackend(nullptr); }

std::unique_ptr<ITimerImpl> TQtLoop::NewTimer(TTimer& Owner) { return std::make_unique<TQtTimer>(Owner); }

void TQtLoop::Post(std::function<void()> Fn) {
    // A queued call on the application object is delivered on the main thread whatever thread posts it.
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(Fn), Qt::QueuedConnection);
}

void TQtLoop::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

} // namespace platform::qt
