#include "app/application.h"

#include <stdexcept>
#include <utility>

#include "adjust/adjust.h"
#include "app/about_box.h"
#include "app/instances.h"
#include "app/language_texts.h"
#include "app/loading_form.h"
#include "app/settings.h"
#include "modem/modem.h"
#include "platform/executable.h"
#include "platform/product_version.h"
#include "ports/modem_com_port.h"
#include "ports/port_form.h"
#include "radio/mform.h"
#include "serial_dialog/settings_dialog.h"
#include "toolkit/application.h"

namespace varnel::app {

namespace {

Application* currentApplication = nullptr;

// Runs a window's creation handler; an exception escaping it is shown in
// the standard exception box and start-up goes on, as for any handler.
void runCreationHandler(tk::Form& form)
{
    tk::Application::instance().guard([&form] { form.create(); });
}

}  // namespace

Application::Application(ApplicationOptions options) : options_(std::move(options))
{
    tk::Application& toolkit = tk::Application::instance();
    if (currentApplication != nullptr)
        throw std::logic_error("only one varnel::app::Application may exist at a time");

    settingsPath_ = SettingsFilePath(options_.settingsDirectory.empty()
                                         ? std::filesystem::path(platform::ExecutableDirectory())
                                         : options_.settingsDirectory);
    versionFile_ = options_.versionFile.empty() ? std::filesystem::path(platform::ExecutablePath())
                                                : options_.versionFile;

    // Every Application starts from the program's initial values, so one
    // test case cannot leak its language into the next.
    LanguageIndex = LanguageEnglish;
    LanguageTexts = EnglishLanguageTexts();
    VersionTag.clear();

    currentApplication = this;
    toolkit.setTitle(ApplicationTitle);
    // The serial components' SettingsDialog shows the library's dialog.
    InstallSettingsDialog();
    try {
        mainForm_ = std::make_unique<TMForm>();
        MForm = mainForm_.get();
        toolkit.setMainForm(mainForm_.get());
        runCreationHandler(*mainForm_);

        portForm_ = std::make_unique<TPortForm>();
        PortForm = portForm_.get();
        runCreationHandler(*portForm_);

        modem_ = std::make_unique<TModem>();
        Modem = modem_.get();
        runCreationHandler(*modem_);

        modemComPort_ = std::make_unique<TModemComPort>();
        ModemComPort = modemComPort_.get();
        runCreationHandler(*modemComPort_);

        loadingForm_ = std::make_unique<TLoadingForm>();
        LoadingForm = loadingForm_.get();
        runCreationHandler(*loadingForm_);

        adjust_ = std::make_unique<TAdjust>();
        Adjust = adjust_.get();
        runCreationHandler(*adjust_);

        aboutBox_ = std::make_unique<TAboutBox>();
        AboutBox = aboutBox_.get();
        runCreationHandler(*aboutBox_);
    } catch (...) {
        destroyWindows();
        throw;
    }
}

Application::~Application()
{
    destroyWindows();
}

void Application::destroyWindows() noexcept
{
    // Reverse order of creation; each pointer is cleared before its window
    // goes, so a window being destroyed never reaches a dead one.
    AboutBox = nullptr;
    aboutBox_.reset();
    Adjust = nullptr;
    adjust_.reset();
    LoadingForm = nullptr;
    loadingForm_.reset();
    ModemComPort = nullptr;
    modemComPort_.reset();
    Modem = nullptr;
    modem_.reset();
    PortForm = nullptr;
    portForm_.reset();
    MForm = nullptr;
    if (tk::Application* toolkit = tk::Application::current(); toolkit && toolkit->mainForm() == mainForm_.get())
        toolkit->setMainForm(nullptr);
    mainForm_.reset();
    if (currentApplication == this)
        currentApplication = nullptr;
}

int Application::run()
{
    return tk::Application::instance().run();
}

Application* Application::current() noexcept
{
    return currentApplication;
}

platform::ProfileFile SettingsFile()
{
    if (currentApplication != nullptr)
        return platform::ProfileFile(currentApplication->settingsPath());
    return platform::ProfileFile(SettingsFilePath(platform::ExecutableDirectory()));
}

std::string ProductVersion()
{
    if (currentApplication != nullptr)
        return platform::GetProductVersion(currentApplication->versionFile());
    return platform::GetProductVersion(platform::ExecutablePath());
}

std::vector<std::string> PresentPorts()
{
    if (currentApplication != nullptr && currentApplication->options().portSystem) {
        HalvikComm32::TCommSerialPortInfo info(*currentApplication->options().portSystem);
        return info.PortList();
    }
    HalvikComm32::TCommSerialPortInfo info;
    return info.PortList();
}

std::optional<std::string> RadioPortOverride()
{
    if (currentApplication == nullptr)
        return std::nullopt;
    return currentApplication->options().radioPort;
}

}  // namespace varnel::app
