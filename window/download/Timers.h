// The front end's event loop as the download component uses it: timers that
// fire on the loop, and work posted to run on it once the current
// notification has returned. The Qt front end binds them to QTimer, a Win32
// one to SetTimer and a posted message.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace vantrel {

class ITimer {
public:
    virtual ~ITimer() = default;
    // (Re)starts the count: the timer fires `intervalMs` from now, and for a
    // repeating timer every `intervalMs` after that until stopped.
    virtual void Start(std::int32_t intervalMs) = 0;
    virtual void Stop() = 0;
    virtual bool Active() const = 0;
};

enum class TTimerKind { SingleShot, Repeating };

class ITimers {
public:
    virtual ~ITimers() = default;
    // A stopped timer that calls `onTimeout` on the loop. Freeing the timer
    // stops it; it never fires after that.
    virtual std::unique_ptr<ITimer> CreateTimer(TTimerKind kind,
                                                std::function<void()> onTimeout) = 0;
    // Runs `task` on the loop later, never inside this call.
    virtual void Post(std::function<void()> task) = 0;
};

}  // namespace vantrel
