// Frame commands of the main window that belong to the application shell:
// creation and closing, the program end, the port dialog, the language menu,
// the window switch, the about window and the profile files.
#include <algorithm>
#include <exception>
#include <string>

#include "app/about_box.h"
#include "app/application.h"
#include "app/instances.h"
#include "app/language_texts.h"
#include "app/settings.h"
#include "app/start_form.h"
#include "modem/modem.h"
#include "platform/product_version.h"
#include "ports/modem_com_port.h"
#include "ports/port_form.h"
#include "ports/port_settings.h"
#include "profiles/profiles.h"
#include "radio/mform.h"
#include "toolkit/application.h"

namespace varnel {

namespace {

// The modem window is never wider than this when it takes the main
// window's place.
constexpr int ModemWindowMaxWidth = 571;

void closeIfOpen(TQzCommDevice& port)
{
    if (port.fGetActive())
        port.fSetActive(false);
}

} // namespace

void TMForm::FormCreate(tk::Control& /*Sender*/)
{
    {
        TStart start(this);
        start.showModal();
    }

    for (tk::Control& child : GroupBox1.children()) {
        if (child.name().find("Edit") == std::string::npos)
            continue;
        if (auto* edit = dynamic_cast<tk::Edit*>(&child)) {
            edit->onChange = [this](tk::Control& s) { CheckValue(s); };
            edit->onExit = [this](tk::Control& s) { Edit7Exit(s); };
        }
    }

    VersionTag = platform::VersionTagFromProductVersion(app::ProductVersion());
    setCaption(caption() + " " + VersionTag);

    LanguageIndex = app::LanguageIndexFromStored(
        app::SettingsFile().readInt(app::LanguageSection, app::LanguageKey, app::LanguageDefault));
    ApplyLanguage(LanguageIndex);

    RzLabel2.setCaption("");
}

void TMForm::FormClose(tk::Control& /*Sender*/, tk::CloseAction& Action)
{
    try {
        const platform::ProfileFile settings = app::SettingsFile();
        settings.writeInt(app::LanguageSection, app::LanguageKey, LanguageIndex);
        if (PortForm != nullptr) {
            ports::SavePortSection(settings, app::RadioPortSection,
                                   {PortForm->ComName1, PortForm->BaudRate1, PortForm->DataBits1, PortForm->Parity1,
                                    PortForm->StopBits1});
        }
        if (ModemComPort != nullptr) {
            TModemComPort& dialog = *ModemComPort;
            ports::SavePortSection(settings, app::ModemSendPortSection,
                                   {dialog.ComName12, dialog.BaudRate12, dialog.DataBits12, dialog.Parity12,
                                    dialog.StopBits12});
            ports::SavePortSection(settings, app::ModemReceivePortSection,
                                   {dialog.ComName13, dialog.BaudRate13, dialog.DataBits13, dialog.Parity13,
                                    dialog.StopBits13});
        }
        closeIfOpen(ComPort1);
        if (Modem != nullptr) {
            closeIfOpen(Modem->ComPort12);
            closeIfOpen(Modem->ComPort13);
        }
    } catch (...) {
        // A settings file that cannot be written keeps the window open, so
        // the user can still end with File > Close or fix the file.
        Action = tk::CloseAction::None;
        tk::Application::instance().showException(std::current_exception());
    }
}

void TMForm::Close1Click(tk::Control& /*Sender*/)
{
    tk::Application::instance().terminate();
}

void TMForm::RzToolButton2Click(tk::Control& /*Sender*/)
{
    tk::Application::instance().terminate();
}

void TMForm::Port1Click(tk::Control& /*Sender*/)
{
    if (PortForm != nullptr)
        PortForm->showModal();
}

void TMForm::RzToolButton6Click(tk::Control& /*Sender*/)
{
    if (PortForm != nullptr)
        PortForm->show();
}

void TMForm::About1Click(tk::Control& /*Sender*/)
{
    if (AboutBox == nullptr)
        return;
    hide();
    AboutBox->showModal();
}

namespace {

void switchLanguage(std::uint8_t language)
{
    LanguageIndex = language;
    // The main window first: the others compose texts from LanguageTexts.
    if (MForm != nullptr)
        MForm->ApplyLanguage(language);
    if (AboutBox != nullptr)
        AboutBox->ApplyLanguage(language);
    if (PortForm != nullptr)
        PortForm->ApplyLanguage(language);
    if (ModemComPort != nullptr)
        ModemComPort->ApplyLanguage(language);
    if (Modem != nullptr)
        Modem->ApplyLanguage(language);
}

} // namespace

void TMForm::English1Click(tk::Control& /*Sender*/)
{
    switchLanguage(LanguageEnglish);
}

void TMForm::N1Click(tk::Control& /*Sender*/)
{
    switchLanguage(LanguageChinese);
    app::SettingsFile().writeInt(app::LanguageSection, app::LanguageKey, LanguageChinese);
}

void TMForm::ZR650TModem1Click(tk::Control& /*Sender*/)
{
    if (Modem == nullptr || PortForm == nullptr || ModemComPort == nullptr)
        return;
    Modem->setBounds({left(), top(), std::min(width(), ModemWindowMaxWidth), height()});
    Modem->show();
    hide();
    PortForm->hide();

    const bool wasOpen = ComPort1.fGetActive();
    if (wasOpen)
        CloseComPort();
    ModemComPort->ComName12.setItemIndex(PortForm->ComName1.itemIndex());
    ModemComPort->ComName12Change(ModemComPort->ComName12);
    if (wasOpen)
        Modem->OpenSendPort();
}

void TMForm::RzToolButton1Click(tk::Control& /*Sender*/)
{
    profiles::OpenProfileCommand(*this);
}

void TMForm::RzToolButton3Click(tk::Control& /*Sender*/)
{
    profiles::SaveProfileCommand(*this);
}

} // namespace varnel
