#include "toolkit/application.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <stdexcept>

#include "toolkit/form.h"

namespace varnel::tk {

namespace {

std::atomic<Application*> currentApplication{nullptr};

std::string describe(std::exception_ptr error)
{
    try {
        if (error) std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
    }
    return "Unknown exception";
}

}  // namespace

Application::Application(Backend& backend) : backend_(backend)
{
    Application* expected = nullptr;
    if (!currentApplication.compare_exchange_strong(expected, this, std::memory_order_acq_rel)) {
        throw std::logic_error("an Application already exists");
    }
}

Application::~Application()
{
    currentApplication.store(nullptr, std::memory_order_release);
}

Application& Application::instance()
{
    Application* app = currentApplication.load(std::memory_order_acquire);
    if (app == nullptr) throw std::logic_error("no Application: create one around a backend first");
    return *app;
}

Application* Application::current() noexcept
{
    return currentApplication.load(std::memory_order_acquire);
}

int Application::run()
{
    if (mainForm_ != nullptr) mainForm_->show();
    return backend_.run();
}

void Application::terminate(int exitCode)
{
    backend_.quit(exitCode);
}

bool Application::terminated() const noexcept
{
    return backend_.quitRequested();
}

void Application::showException(std::exception_ptr error) noexcept
{
    const std::string message = describe(error);
    try {
        backend_.messageBox(message, title_, Icon::Error);
    } catch (...) {
        std::fprintf(stderr, "%s: %s\n", title_.c_str(), message.c_str());
    }
}

void Application::registerForm(Form& form)
{
    forms_.push_back(&form);
    if (mainForm_ == nullptr) mainForm_ = &form;
    backend_.formCreated(form);
}

void Application::unregisterForm(Form& form) noexcept
{
    forms_.erase(std::remove(forms_.begin(), forms_.end(), &form), forms_.end());
    if (mainForm_ == &form) mainForm_ = nullptr;
    backend_.formDestroyed(form);
}

Backend& backend()
{
    return Application::instance().backend();
}

void messageBox(const std::string& text, const std::string& caption, Icon icon)
{
    backend().messageBox(text, caption, icon);
}

std::optional<std::string> inputBox(const std::string& caption, const std::string& prompt,
                                    const std::string& defaultText)
{
    return backend().inputBox(caption, prompt, defaultText);
}

std::optional<std::filesystem::path> openFileDialog(const FileDialogOptions& options)
{
    return backend().openFileDialog(options);
}

std::optional<std::filesystem::path> saveFileDialog(const FileDialogOptions& options)
{
    return backend().saveFileDialog(options);
}

void guarded(const std::function<void()>& f) noexcept
{
    if (Application* app = Application::current()) {
        app->guard(f);
        return;
    }
    try {
        f();
    } catch (...) {
        std::fprintf(stderr, "unhandled exception: %s\n", describe(std::current_exception()).c_str());
    }
}

}  // namespace varnel::tk
