#pragma once

// The program as a user starts it: the seven windows in their start-up
// order, the settings file and the product version.
//
// An Application needs the toolkit's application (tk::Application with the
// Qt backend in the program, the headless backend in tests) to exist first.
// Its constructor sets the instance pointers of app/instances.h and creates
// the windows one after the other, running each creation handler as soon as
// the window is built:
//   MForm (splash, version tag, language), PortForm (port list, "COMPort",
//   opens the radio port), Modem, ModemComPort ("COMPort2", "COMPort3"),
//   LoadingForm, Adjust, AboutBox.
// The destructor destroys them in reverse order and clears the pointers.
// One Application at a time.

#include <filesystem>
#include <memory>
#include <string>

#include "platform/profile.h"

namespace varnel {
class TMForm;
class TPortForm;
class TModem;
class TModemComPort;
class TLoadingForm;
class TAboutBox;
}  // namespace varnel

namespace varnel::app {

struct ApplicationOptions {
    // Where "Config.ini" is kept; empty: the executable's directory.
    std::filesystem::path settingsDirectory;
    // The file whose product version the captions and the about window
    // show; empty: the running executable.
    std::filesystem::path versionFile;
};

class Application {
public:
    explicit Application(ApplicationOptions options = {});
    ~Application();

    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Shows the main window and runs the toolkit's message loop until the
    // program ends; gives the exit code.
    int run();

    // The running Application, or null.
    static Application* current() noexcept;

    const std::filesystem::path& settingsPath() const noexcept { return settingsPath_; }
    const std::filesystem::path& versionFile() const noexcept { return versionFile_; }

    TMForm& mainForm() const noexcept { return *mainForm_; }
    TPortForm& portForm() const noexcept { return *portForm_; }
    TModem& modem() const noexcept { return *modem_; }
    TModemComPort& modemComPort() const noexcept { return *modemComPort_; }
    TLoadingForm& loadingForm() const noexcept { return *loadingForm_; }
    TAboutBox& aboutBox() const noexcept { return *aboutBox_; }

private:
    std::filesystem::path settingsPath_;
    std::filesystem::path versionFile_;
    // Destroyed in reverse order of creation.
    std::unique_ptr<TMForm> mainForm_;
    std::unique_ptr<TPortForm> portForm_;
    std::unique_ptr<TModem> modem_;
    std::unique_ptr<TModemComPort> modemComPort_;
    std::unique_ptr<TLoadingForm> loadingForm_;
    std::unique_ptr<TAboutBox> aboutBox_;
};

// The settings file of the running Application; without one (a window used
// on its own) "Config.ini" in the executable's directory.
platform::ProfileFile SettingsFile();

// The product version of the running Application's version file (of the
// running executable without one); empty when the file carries none.
std::string ProductVersion();

}  // namespace varnel::app
