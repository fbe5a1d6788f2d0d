#pragma once

// Renders toolkit forms as Qt widgets and runs the Qt event loop.
//
// Only the program entry (and the gui tests) include this header; window
// classes never see Qt. Create the backend first (it creates the
// QApplication), then the tk::Application around it:
//     tk::QtBackend qt(argc, argv);
//     tk::Application app(qt);
//
// Each form becomes a fixed-size top-level QWidget built when it is first
// shown, with one widget per control at its bounds; later changes on
// either side are mirrored without feedback (a programmatic setText moves
// the widget's text, which does not report back as a user edit). Timers are
// QTimers, posts are queued events, showModal runs a nested QEventLoop with
// the window application-modal, and the dialogs are QMessageBox,
// QInputDialog and QFileDialog.

#include <memory>

#include "toolkit/backend.h"

class QWidget;

namespace varnel::tk {

class Control;

class QtBackend final : public Backend {
public:
    // argc/argv must outlive the backend (QApplication keeps them).
    QtBackend(int& argc, char** argv);
    ~QtBackend() override;

    void post(std::function<void()> task) override;
    int run() override;
    void runModal(Form* form, const std::function<bool()>& done) override;
    void processEvents() override;
    void quit(int exitCode) override;
    bool quitRequested() const noexcept override;
    std::int64_t now() const override;
    TimerId startTimer(int intervalMs, std::function<void()> tick) override;
    void stopTimer(TimerId id) noexcept override;
    void messageBox(const std::string& text, const std::string& caption, Icon icon) override;
    std::optional<std::string> inputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& defaultText) override;
    std::optional<std::filesystem::path> openFileDialog(const FileDialogOptions& options) override;
    std::optional<std::filesystem::path> saveFileDialog(const FileDialogOptions& options) override;
    void formCreated(Form& form) override;
    void formDestroyed(Form& form) noexcept override;

    // The widget that renders a control (null before its form was first
    // shown). For tests and for the program entry's platform needs.
    QWidget* widgetFor(const Control& control) const noexcept;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace varnel::tk
