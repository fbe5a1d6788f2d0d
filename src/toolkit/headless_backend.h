#pragma once

// A deterministic backend for tests: no window system, a virtual clock,
// scripted dialog answers and a record of every dialog shown.
//
// Time stands still until advance(ms): due timers then fire in time order
// (equal times in the order they were started), posted entries are drained
// before and after every tick. Posts from other threads are queued and run
// on the thread that calls advance/runPending/waitForPosts.
//
// Dialogs return at once: a message box is recorded in messages(); an
// input box or file dialog takes the next scripted answer (cancel when none
// is queued) and is recorded too.
//
// showModal of a form runs the modal scripts queued with onNextModal (the
// test's stand-in for the user), then lets virtual time run: it drains
// posts and jumps the clock from timer to timer until the form closes (a
// splash closes itself by its timers). When nothing can end the loop (no
// timer, nothing posted) or the modal form is still open after
// modalTimeLimit of virtual time, runModal throws std::runtime_error
// instead of hanging.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/backend.h"

namespace varnel::tk {

class HeadlessBackend final : public Backend {
public:
    struct MessageRecord {
        std::string text;
        std::string caption;
        Icon icon = Icon::None;
        std::int64_t at = 0;  // virtual time
    };
    struct InputRecord {
        std::string caption;
        std::string prompt;
        std::string defaultText;
    };
    struct FileDialogRecord {
        bool save = false;
        FileDialogOptions options;
    };
    using ModalScript = std::function<void(Form& form)>;

    HeadlessBackend();
    ~HeadlessBackend() override;

    // ---- Backend ----
    void post(std::function<void()> task) override;
    int run() override;
    void runModal(Form* form, const std::function<bool()>& done) override;
    void processEvents() override { runPending(); }
    void quit(int exitCode) override;
    bool quitRequested() const noexcept override;
    std::int64_t now() const override { return now_; }
    TimerId startTimer(int intervalMs, std::function<void()> tick) override;
    void stopTimer(TimerId id) noexcept override;
    void messageBox(const std::string& text, const std::string& caption, Icon icon) override;
    std::optional<std::string> inputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& defaultText) override;
    std::optional<std::filesystem::path> openFileDialog(const FileDialogOptions& options) override;
    std::optional<std::filesystem::path> saveFileDialog(const FileDialogOptions& options) override;
    void formCreated(Form&) override {}
    void formDestroyed(Form&) noexcept override {}

    // ---- driving the loop ----
    // Moves the virtual clock forward, firing due timers in time order and
    // draining posted entries around each tick.
    void advance(std::int64_t milliseconds);
    // Runs posted entries until none is left (including ones they post);
    // returns how many ran. While other threads post without pause it may
    // not return: wait for them with waitForPosts instead.
    std::size_t runPending();
    // Runs posted entries as they arrive, waiting in real time (on a
    // condition variable) until predicate() holds or the timeout passes.
    // Returns predicate()'s last value. Virtual time does not move.
    bool waitForPosts(const std::function<bool()>& predicate, std::chrono::milliseconds timeout);
    // Clears a quit request so the loop can be run again.
    void resetQuit() noexcept;
    std::optional<int> exitCode() const noexcept;

    // ---- timers ----
    std::size_t activeTimerCount() const noexcept { return timers_.size(); }
    // Virtual time of the next tick, if any timer runs.
    std::optional<std::int64_t> nextTimerDue() const noexcept;

    // ---- modal loops ----
    void onNextModal(ModalScript script) { modalScripts_.push_back(std::move(script)); }
    std::int64_t modalTimeLimit() const noexcept { return modalTimeLimit_; }
    void setModalTimeLimit(std::int64_t milliseconds) noexcept { modalTimeLimit_ = milliseconds; }

    // ---- dialogs ----
    void answerInput(std::optional<std::string> answer) { inputAnswers_.push_back(std::move(answer)); }
    void answerOpen(std::optional<std::filesystem::path> answer) { openAnswers_.push_back(std::move(answer)); }
    void answerSave(std::optional<std::filesystem::path> answer) { saveAnswers_.push_back(std::move(answer)); }
    // Runs inside every message box, after it is recorded (the test acting
    // while the box is up).
    std::function<void(const MessageRecord&)> onMessage;

    const std::vector<MessageRecord>& messages() const noexcept { return messages_; }
    // Texts of the message boxes, in order.
    std::vector<std::string> messageTexts() const;
    void clearMessages() noexcept { messages_.clear(); }
    const std::vector<InputRecord>& inputRequests() const noexcept { return inputs_; }
    const std::vector<FileDialogRecord>& fileDialogs() const noexcept { return fileDialogs_; }

private:
    struct TimerEntry {
        int interval = 0;
        std::int64_t due = 0;
        std::uint64_t order = 0;  // start order, breaks ties
        std::function<void()> tick;
    };
    // Runs the entries queued right now; returns how many ran.
    std::size_t runBatch();
    // Fires the earliest timer due at or before `limit`; false when none.
    bool fireNextTimer(std::int64_t limit);

    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
    bool quit_ = false;
    int exitCode_ = 0;

    std::int64_t now_ = 0;
    std::map<TimerId, TimerEntry> timers_;
    TimerId nextTimerId_ = 1;
    std::uint64_t nextOrder_ = 0;

    std::deque<ModalScript> modalScripts_;
    std::int64_t modalTimeLimit_ = 10 * 60 * 1000;

    std::deque<std::optional<std::string>> inputAnswers_;
    std::deque<std::optional<std::filesystem::path>> openAnswers_;
    std::deque<std::optional<std::filesystem::path>> saveAnswers_;
    std::vector<MessageRecord> messages_;
    std::vector<InputRecord> inputs_;
    std::vector<FileDialogRecord> fileDialogs_;
};

}  // namespace varnel::tk
