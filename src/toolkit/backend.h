#pragma once

// What the toolkit needs from a platform: an event loop, timers, a clock,
// the standard dialogs and a renderer for forms. Two implementations:
// HeadlessBackend (deterministic, for tests) and QtBackend (real widgets,
// in toolkit_qt).
//
// Everything here is called on the user-interface thread, except post(),
// which any thread may call.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "toolkit/types.h"

namespace varnel::tk {

class Form;

using TimerId = std::uint64_t;  // 0 is never a valid id

// File dialog settings. filter is "description|pattern|description|pattern",
// patterns separated by ';' ("*.ini|*.ini").
struct FileDialogOptions {
    std::string title;
    std::string filter;
    std::string initialName;
    std::filesystem::path initialDir;
    std::string defaultExt;         // without dot; empty: none added
    bool confirmOverwrite = false;  // save dialog asks before replacing a file
};

class Backend {
public:
    Backend() = default;
    Backend(const Backend&) = delete;
    Backend& operator=(const Backend&) = delete;
    virtual ~Backend() = default;

    // ---- event loop ----
    // Thread-safe. Queues the task for the user-interface thread: one entry
    // per call, run in the order posted, never merged or dropped while the
    // loop runs. Tasks still queued when the backend is destroyed are
    // discarded without running.
    virtual void post(std::function<void()> task) = 0;
    // Runs the main loop until quit(); returns the exit code.
    virtual int run() = 0;
    // Dispatches events (posted entries, due timers, input) until done()
    // returns true or quit() is called. Used by showModal; `form` is the
    // modal form, or null.
    virtual void runModal(Form* form, const std::function<bool()>& done) = 0;
    // Dispatches what is pending now, without waiting.
    virtual void processEvents() = 0;
    virtual void quit(int exitCode) = 0;
    virtual bool quitRequested() const noexcept = 0;

    // ---- time ----
    // Monotonic milliseconds (virtual in the headless backend).
    virtual std::int64_t now() const = 0;
    // Starts a periodic timer: tick runs every intervalMs (> 0) on the
    // user-interface thread until stopTimer. A tick may stop its own timer.
    virtual TimerId startTimer(int intervalMs, std::function<void()> tick) = 0;
    // Unknown or already stopped ids are ignored.
    virtual void stopTimer(TimerId id) noexcept = 0;

    // ---- dialogs (modal; events keep being dispatched while they are up) ----
    // A message box with an OK button.
    virtual void messageBox(const std::string& text, const std::string& caption, Icon icon) = 0;
    // The text entered, or nullopt when cancelled.
    virtual std::optional<std::string> inputBox(const std::string& caption, const std::string& prompt,
                                                const std::string& defaultText) = 0;
    virtual std::optional<std::filesystem::path> openFileDialog(const FileDialogOptions& options) = 0;
    virtual std::optional<std::filesystem::path> saveFileDialog(const FileDialogOptions& options) = 0;

    // ---- rendering ----
    // A form was created / is being destroyed. The backend may install the
    // form's observer here (it must remove it in formDestroyed).
    virtual void formCreated(Form& form) = 0;
    virtual void formDestroyed(Form& form) noexcept = 0;
};

}  // namespace varnel::tk
