// The download component's timers on the Qt loop.
#pragma once

#include <QObject>

#include "window/download/Timers.h"

namespace vantrel {

class TQtTimers : public ITimers {
public:
    std::unique_ptr<ITimer> CreateTimer(TTimerKind kind, std::function<void()> onTimeout) override;
    // Posted work that has not run when this object goes is dropped.
    void Post(std::function<void()> task) override;

private:
    QObject FContext;
};

}  // namespace vantrel
