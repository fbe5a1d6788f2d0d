#include "toolkit/headless_backend.h"

#include <stdexcept>

#include "toolkit/application.h"
#include "toolkit/form.h"

namespace varnel::tk {

HeadlessBackend::HeadlessBackend() = default;

HeadlessBackend::~HeadlessBackend() = default;

void HeadlessBackend::post(std::function<void()> task)
{
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(task));
    }
    posted_.notify_all();
}

std::size_t HeadlessBackend::runBatch()
{
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(queue_);
    }
    for (auto& task : batch) guarded(task);
    return batch.size();
}

std::size_t HeadlessBackend::runPending()
{
    std::size_t count = 0;
    while (const std::size_t ran = runBatch()) count += ran;
    return count;
}

bool HeadlessBackend::waitForPosts(const std::function<bool()>& predicate, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        // One batch at a time: producers that never pause must not keep the
        // predicate from being looked at.
        runBatch();
        if (predicate()) return true;
        std::unique_lock lock(mutex_);
        if (!posted_.wait_until(lock, deadline, [this] { return !queue_.empty(); })) {
            lock.unlock();
            runBatch();
            return predicate();
        }
    }
}

void HeadlessBackend::quit(int exitCode)
{
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        exitCode_ = exitCode;
    }
    posted_.notify_all();
}

bool HeadlessBackend::quitRequested() const noexcept
{
    std::lock_guard lock(mutex_);
    return quit_;
}

void HeadlessBackend::resetQuit() noexcept
{
    std::lock_guard lock(mutex_);
    quit_ = false;
}

std::optional<int> HeadlessBackend::exitCode() const noexcept
{
    std::lock_guard lock(mutex_);
    if (!quit_) return std::nullopt;
    return exitCode_;
}

int HeadlessBackend::run()
{
    while (!quitRequested()) {
        runPending();
        if (quitRequested()) break;
        if (const auto due = nextTimerDue()) {
            fireNextTimer(*due);
            continue;
        }
        // Nothing scheduled: only another thread can wake the loop.
        std::unique_lock lock(mutex_);
        posted_.wait(lock, [this] { return !queue_.empty() || quit_; });
    }
    std::lock_guard lock(mutex_);
    return exitCode_;
}

void HeadlessBackend::runModal(Form* form, const std::function<bool()>& done)
{
    if (form != nullptr && !modalScripts_.empty()) {
        ModalScript script = std::move(modalScripts_.front());
        modalScripts_.pop_front();
        guarded([&] { script(*form); });
    }
    const std::int64_t start = now_;
    while (true) {
        runPending();
        if (done() || quitRequested()) return;
        const auto due = nextTimerDue();
        if (!due) {
            throw std::runtime_error("headless modal loop" + (form ? " of '" + form->name() + "'" : std::string()) +
                                     " cannot end: no timer runs and nothing is posted");
        }
        if (*due - start > modalTimeLimit_) {
            throw std::runtime_error("headless modal loop" + (form ? " of '" + form->name() + "'" : std::string()) +
                                     " still running after its virtual time limit");
        }
        fireNextTimer(*due);
    }
}

void HeadlessBackend::advance(std::int64_t milliseconds)
{
    if (milliseconds < 0) throw std::invalid_argument("the virtual clock only moves forward");
    const std::int64_t target = now_ + milliseconds;
    runPending();
    while (fireNextTimer(target)) runPending();
    now_ = target;
    runPending();
}

TimerId HeadlessBackend::startTimer(int intervalMs, std::function<void()> tick)
{
    if (intervalMs <= 0) throw std::invalid_argument("timer interval must be positive");
    const TimerId id = nextTimerId_++;
    timers_.emplace(id, TimerEntry{intervalMs, now_ + intervalMs, nextOrder_++, std::move(tick)});
    return id;
}

void HeadlessBackend::stopTimer(TimerId id) noexcept
{
    timers_.erase(id);
}

std::optional<std::int64_t> HeadlessBackend::nextTimerDue() const noexcept
{
    std::optional<std::int64_t> best;
    for (const auto& [id, entry] : timers_) {
        if (!best || entry.due < *best) best = entry.due;
    }
    return best;
}

bool HeadlessBackend::fireNextTimer(std::int64_t limit)
{
    auto best = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->second.due > limit) continue;
        if (best == timers_.end() || it->second.due < best->second.due ||
            (it->second.due == best->second.due && it->second.order < best->second.order)) {
            best = it;
        }
    }
    if (best == timers_.end()) return false;
    if (best->second.due > now_) now_ = best->second.due;
    best->second.due += best->second.interval;
    // The tick may stop or start timers, so run a copy.
    std::function<void()> tick = best->second.tick;
    guarded(tick);
    return true;
}

void HeadlessBackend::messageBox(const std::string& text, const std::string& caption, Icon icon)
{
    messages_.push_back({text, caption, icon, now_});
    if (onMessage) {
        auto hook = onMessage;
        hook(messages_.back());
    }
}

std::vector<std::string> HeadlessBackend::messageTexts() const
{
    std::vector<std::string> out;
    out.reserve(messages_.size());
    for (const auto& m : messages_) out.push_back(m.text);
    return out;
}

std::optional<std::string> HeadlessBackend::inputBox(const std::string& caption, const std::string& prompt,
                                                     const std::string& defaultText)
{
    inputs_.push_back({caption, prompt, defaultText});
    if (inputAnswers_.empty()) return std::nullopt;
    auto answer = std::move(inputAnswers_.front());
    inputAnswers_.pop_front();
    return answer;
}

std::optional<std::filesystem::path> HeadlessBackend::openFileDialog(const FileDialogOptions& options)
{
    fileDialogs_.push_back({false, options});
    if (openAnswers_.empty()) return std::nullopt;
    auto answer = std::move(openAnswers_.front());
    openAnswers_.pop_front();
    return answer;
}

std::optional<std::filesystem::path> HeadlessBackend::saveFileDialog(const FileDialogOptions& options)
{
    fileDialogs_.push_back({true, options});
    if (saveAnswers_.empty()) return std::nullopt;
    auto answer = std::move(saveAnswers_.front());
    saveAnswers_.pop_front();
    return answer;
}

}  // namespace varnel::tk
