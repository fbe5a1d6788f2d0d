#pragma once

// The process-wide application object: the backend in use, the title, the
// forms and the main form, and the standard exception box.
//
// The program entry (or a test fixture) creates exactly one Application
// around a backend before it creates any form and keeps it alive until all
// forms are gone:
//     tk::HeadlessBackend backend;
//     tk::Application app(backend);
// Application::instance() and tk::backend() reach it from everywhere on the
// user-interface thread.

#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/backend.h"
#include "toolkit/types.h"

namespace varnel::tk {

class Form;

class Application {
public:
    // Throws std::logic_error when another Application exists.
    explicit Application(Backend& backend);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    ~Application();

    // Throws std::logic_error when there is none.
    static Application& instance();
    static Application* current() noexcept;

    Backend& backend() const noexcept { return backend_; }

    const std::string& title() const noexcept { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }

    // The first form created, unless set otherwise.
    Form* mainForm() const noexcept { return mainForm_; }
    void setMainForm(Form* form) noexcept { mainForm_ = form; }
    // Every live form, in creation order.
    const std::vector<Form*>& forms() const noexcept { return forms_; }

    // Shows the main form and runs the backend's loop until terminate().
    int run();
    // Ends the main loop (and any modal loop) at the next chance; no close
    // handler runs.
    void terminate(int exitCode = 0);
    bool terminated() const noexcept;

    // The standard exception box: the exception's message, the application
    // title as caption, the error icon. The program goes on.
    void showException(std::exception_ptr error) noexcept;
    // Runs f; an exception escaping it goes to showException.
    template <typename F>
    void guard(F&& f) noexcept
    {
        try {
            std::forward<F>(f)();
        } catch (...) {
            showException(std::current_exception());
        }
    }

private:
    friend class Form;
    void registerForm(Form& form);
    void unregisterForm(Form& form) noexcept;

    Backend& backend_;
    std::string title_;
    Form* mainForm_ = nullptr;
    std::vector<Form*> forms_;
};

// Shortcuts through Application::instance().
Backend& backend();
void messageBox(const std::string& text, const std::string& caption, Icon icon = Icon::None);
std::optional<std::string> inputBox(const std::string& caption, const std::string& prompt,
                                    const std::string& defaultText = {});
std::optional<std::filesystem::path> openFileDialog(const FileDialogOptions& options);
std::optional<std::filesystem::path> saveFileDialog(const FileDialogOptions& options);
// Runs f under the current application's guard; without an application the
// exception is swallowed after being written to stderr.
void guarded(const std::function<void()>& f) noexcept;

}  // namespace varnel::tk
