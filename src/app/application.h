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
#include <optional>
#include <string>
#include <vector>

#include "app/instances.h"
#include "platform/profile.h"
#include "serial/serial_port_info.h"

namespace varnel::app {

struct ApplicationOptions {
    // Where "Config.ini" is kept; empty: the executable's directory.
    std::filesystem::path settingsDirectory;
    // The file whose product version the captions and the about window
    // show; empty: the running executable.
    std::filesystem::path versionFile;
    // The radio port to start with instead of the stored one ("COM3").
    std::optional<std::string> radioPort;
    // Where the present ports are looked for; unset: the real system and
    // the port directory of VARNEL_PORT_DIR.
    std::optional<HalvikComm32::TCommSerialPortInfo::SystemRoots> portSystem;
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
    const ApplicationOptions& options() const noexcept { return options_; }

    TMForm& mainForm() const noexcept { return *mainForm_; }
    TPortForm& portForm() const noexcept { return *portForm_; }
    TModem& modem() const noexcept { return *modem_; }
    TModemComPort& modemComPort() const noexcept { return *modemComPort_; }
    TLoadingForm& loadingForm() const noexcept { return *loadingForm_; }
    TAdjust& adjust() const noexcept { return *adjust_; }
    TAboutBox& aboutBox() const noexcept { return *aboutBox_; }

private:
    void destroyWindows() noexcept;

    ApplicationOptions options_;
    std::filesystem::path settingsPath_;
    std::filesystem::path versionFile_;
    // Destroyed in reverse order of creation.
    std::unique_ptr<TMForm> mainForm_;
    std::unique_ptr<TPortForm> portForm_;
    std::unique_ptr<TModem> modem_;
    std::unique_ptr<TModemComPort> modemComPort_;
    std::unique_ptr<TLoadingForm> loadingForm_;
    std::unique_ptr<TAdjust> adjust_;
    std::unique_ptr<TAboutBox> aboutBox_;
};

// The settings file of the running Application; without one (a window used
// on its own) "Config.ini" in the executable's directory.
platform::ProfileFile SettingsFile();

// The ports present on the system, "COM<n>" sorted by number (COM1 to COM4
// when none is found), as the port dialogs offer them.
std::vector<std::string> PresentPorts();

// The radio port named at start-up in place of the stored one, if any.
std::optional<std::string> RadioPortOverride();

// The product version of the running Application's version file (of the
// running executable without one); empty when the file carries none.
std::string ProductVersion();

}  // namespace varnel::app
