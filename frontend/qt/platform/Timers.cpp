#include "frontend/qt/platform/Timers.h"

#include <QTimer>

namespace vantrel {

namespace {

class TQtTimer : public ITimer {
public:
    TQtTimer(TTimerKind kind, std::function<void()> onTimeout) {
        FTimer.setSingleShot(kind == TTimerKind::SingleShot);
        QObject::connect(&FTimer, &QTimer::timeout, std::move(onTimeout));
    }
    void Start(std::int32_t intervalMs) override { FTimer.start(intervalMs); }
    void Stop() override { FTimer.stop(); }
    bool Active() const override { return FTimer.isActive(); }

private:
    QTimer FTimer;
};

}  // namespace

std::unique_ptr<ITimer> TQtTimers::CreateTimer(TTimerKind kind, std::function<void()> onTimeout) {
    return std::make_unique<TQtTimer>(kind, std::move(onTimeout));
}

void TQtTimers::Post(std::function<void()> task) {
    QTimer::singleShot(0, &FContext, std::move(task));
}

}  // namespace vantrel
