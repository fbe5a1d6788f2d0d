#include "toolkit_qt/qt_backend.h"

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QFont>
#include <QFontDatabase>
#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <map>

#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit_qt/form_view.h"

namespace varnel::tk {

namespace {

// A posted task. Qt keeps posted events in order and never compresses
// user event types.
class TaskEvent final : public QEvent {
public:
    static QEvent::Type type()
    {
        static const auto registered = static_cast<QEvent::Type>(QEvent::registerEventType());
        return registered;
    }
    explicit TaskEvent(std::function<void()> task) : QEvent(type()), task_(std::move(task)) {}
    void run() { guarded(task_); }

private:
    std::function<void()> task_;
};

class Dispatcher final : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (e->type() == TaskEvent::type()) {
            static_cast<TaskEvent*>(e)->run();
            return true;
        }
        return QObject::event(e);
    }
};

// "desc|pattern;pattern|desc|pattern" -> "desc (pattern pattern);;desc (pattern)"
QString qtFilter(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        out << parts[i] + " (" + patterns + ")";
    }
    return out.join(";;");
}

QMessageBox::Icon qtIcon(Icon icon)
{
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Error:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

struct QtBackend::Impl {
    std::unique_ptr<QApplication> application;
    std::unique_ptr<Dispatcher> dispatcher;
    std::map<TimerId, QTimer*> timers;
    TimerId nextTimer = 1;
    std::map<const Form*, std::unique_ptr<FormView>> views;
    std::atomic<bool> quit{false};
    std::atomic<int> exitCode{0};
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();

    QWidget* windowOf(const Form& form) const
    {
        const auto it = views.find(&form);
        return it == views.end() ? nullptr : it->second->window();
    }

    QWidget* dialogParent() const
    {
        if (QWidget* active = QApplication::activeWindow()) return active;
        if (Application* app = Application::current(); app != nullptr && app->mainForm() != nullptr) {
            QWidget* main = windowOf(*app->mainForm());
            if (main != nullptr && main->isVisible()) return main;
        }
        return nullptr;
    }

    std::optional<std::filesystem::path> fileDialog(const FileDialogOptions& options, bool save)
    {
        QFileDialog dialog(dialogParent(), QString::fromStdString(options.title));
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (save && !options.confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
        if (!options.filter.empty()) dialog.setNameFilters(qtFilter(options.filter).split(";;"));
        if (!options.defaultExt.empty()) dialog.setDefaultSuffix(QString::fromStdString(options.defaultExt));
        if (!options.initialDir.empty()) dialog.setDirectory(QString::fromStdString(options.initialDir.string()));
        if (!options.initialName.empty()) dialog.selectFile(QString::fromStdString(options.initialName));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
        return std::filesystem::path(dialog.selectedFiles().front().toStdString());
    }
};

QtBackend::QtBackend(int& argc, char** argv) : impl_(std::make_unique<Impl>())
{
    impl_->application = std::make_unique<QApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);  // the toolkit decides when the program ends
    impl_->dispatcher = std::make_unique<Dispatcher>();
    // Chinese texts need a CJK face; let the default family fall back to one.
    const QStringList families = QFontDatabase::families();
    for (const char* cjk : {"Noto Sans CJK SC", "Noto Serif CJK SC", "WenQuanYi Micro Hei"}) {
        if (families.contains(cjk)) {
            QFont::insertSubstitution(QApplication::font().family(), cjk);
            break;
        }
    }
    QObject::connect(impl_->application.get(), &QApplication::focusChanged, impl_->dispatcher.get(),
                     [this](QWidget*, QWidget* now) {
                         if (now == nullptr) return;
                         for (auto& [form, view] : impl_->views) {
                             if (view->syncing()) return;
                         }
                         for (auto& [form, view] : impl_->views) {
                             if (Control* control = view->controlFor(now); control != nullptr && control->canFocus()) {
                                 control->userFocus();
                                 return;
                             }
                         }
                     });
}

QtBackend::~QtBackend()
{
    for (auto& [id, timer] : impl_->timers) delete timer;
    impl_->timers.clear();
    impl_->views.clear();
    impl_->dispatcher.reset();  // drops tasks still queued
    impl_->application.reset();
}

void QtBackend::post(std::function<void()> task)
{
    QCoreApplication::postEvent(impl_->dispatcher.get(), new TaskEvent(std::move(task)));
}

int QtBackend::run()
{
    if (!impl_->quit.load()) QApplication::exec();
    return impl_->exitCode.load();
}

void QtBackend::runModal(Form*, const std::function<bool()>& done)
{
    // Each pass dispatches what is pending, waiting for at least one event;
    // done() can only change through an event.
    while (!done() && !impl_->quit.load()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

void QtBackend::processEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtBackend::quit(int exitCode)
{
    impl_->exitCode.store(exitCode);
    impl_->quit.store(true);
    QCoreApplication::exit(exitCode);
    post([] {});  // wakes a modal loop waiting for events
}

bool QtBackend::quitRequested() const noexcept
{
    return impl_->quit.load();
}

std::int64_t QtBackend::now() const
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - impl_->start)
        .count();
}

TimerId QtBackend::startTimer(int intervalMs, std::function<void()> tick)
{
    auto* timer = new QTimer(impl_->dispatcher.get());
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(intervalMs);
    QObject::connect(timer, &QTimer::timeout, timer, [tick = std::move(tick)] {
        // A tick may stop its own timer, which drops this slot.
        std::function<void()> copy = tick;
        guarded(copy);
    });
    timer->start();
    const TimerId id = impl_->nextTimer++;
    impl_->timers.emplace(id, timer);
    return id;
}

void QtBackend::stopTimer(TimerId id) noexcept
{
    const auto it = impl_->timers.find(id);
    if (it == impl_->timers.end()) return;
    QTimer* timer = it->second;
    impl_->timers.erase(it);
    timer->stop();
    timer->deleteLater();
}

void QtBackend::messageBox(const std::string& text, const std::string& caption, Icon icon)
{
    QMessageBox box(qtIcon(icon), QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok,
                    impl_->dialogParent());
    box.exec();
}

std::optional<std::string> QtBackend::inputBox(const std::string& caption, const std::string& prompt,
                                               const std::string& defaultText)
{
    bool ok = false;
    const QString text = QInputDialog::getText(impl_->dialogParent(), QString::fromStdString(caption),
                                               QString::fromStdString(prompt), QLineEdit::Normal,
                                               QString::fromStdString(defaultText), &ok);
    if (!ok) return std::nullopt;
    return text.toStdString();
}

std::optional<std::filesystem::path> QtBackend::openFileDialog(const FileDialogOptions& options)
{
    return impl_->fileDialog(options, false);
}

std::optional<std::filesystem::path> QtBackend::saveFileDialog(const FileDialogOptions& options)
{
    return impl_->fileDialog(options, true);
}

void QtBackend::formCreated(Form& form)
{
    auto view = std::make_unique<FormView>(form, [this](const Form& f) { return impl_->windowOf(f); });
    form.setObserver(view.get());
    impl_->views[&form] = std::move(view);
}

void QtBackend::formDestroyed(Form& form) noexcept
{
    form.setObserver(nullptr);
    impl_->views.erase(&form);
}

QWidget* QtBackend::widgetFor(const Control& control) const noexcept
{
    const Form* form = control.form();
    if (form == nullptr) return nullptr;
    const auto it = impl_->views.find(form);
    return it == impl_->views.end() ? nullptr : it->second->widgetFor(control);
}

}  // namespace varnel::tk
