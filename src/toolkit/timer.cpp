#include "toolkit/timer.h"

#include "toolkit/application.h"

namespace varnel::tk {

Timer::Timer(std::string name, Rect bounds) : Control(std::move(name), bounds)
{
    schedule();
}

Timer::~Timer()
{
    unschedule();
}

void Timer::setInterval(int milliseconds)
{
    if (milliseconds == interval_) return;
    interval_ = milliseconds;
    schedule();
}

void Timer::setEnabled(bool enabled)
{
    if (enabled == this->enabled()) return;
    Control::setEnabled(enabled);
    schedule();
}

void Timer::restart()
{
    schedule();
}

void Timer::tick()
{
    guarded([this] { fire(onTimer); });
}

void Timer::schedule()
{
    unschedule();
    if (!enabled() || interval_ <= 0) return;
    timerId_ = Application::instance().backend().startTimer(interval_, [this] { tick(); });
}

void Timer::unschedule() noexcept
{
    if (timerId_ == 0) return;
    if (Application* app = Application::current()) app->backend().stopTimer(timerId_);
    timerId_ = 0;
}

}  // namespace varnel::tk
