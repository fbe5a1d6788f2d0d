#pragma once

// A timer component placed on a form. It ticks on the user-interface thread
// every interval() ms while enabled, through the application's backend
// (the headless backend's virtual clock, or a QTimer).
//
// Enabled by default with an interval of 1000 ms, as a freshly placed timer
// is. Enabling, or changing the interval while enabled, restarts the
// period. Ticks do not pile up: a late tick is one tick. Running a timer
// requires an Application (std::logic_error otherwise).

#include <cstdint>

#include "toolkit/control.h"

namespace varnel::tk {

class Timer final : public Control {
public:
    Timer(std::string name, Rect bounds = {});
    ~Timer() override;
    Kind kind() const noexcept override { return Kind::Timer; }

    int interval() const noexcept { return interval_; }
    // A value <= 0 stops the timer until a positive interval is set.
    void setInterval(int milliseconds);

    // enabled() tells whether it runs.
    void setEnabled(bool enabled) override;
    // Stop and start again: the next tick comes a full interval from now.
    void restart();

    Handler onTimer;

    // Called by the backend; runs onTimer under Application::guard.
    void tick();

private:
    void schedule();
    void unschedule() noexcept;

    int interval_ = 1000;
    std::uint64_t timerId_ = 0;
};

}  // namespace varnel::tk
