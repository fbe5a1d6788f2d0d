#pragma once

// The texts of the windows in English and Simplified Chinese, as tables of
// (control, caption or hint, English, Chinese), and the message texts of
// LanguageTexts for either language.
//
// A window's ApplyLanguage writes its table with ApplyTextTable and then
// does what depends on the moment: the version suffix of a caption, the
// open/close state of a port button, the port numbers of a label. The
// texts are UTF-8; the Chinese ones are shown as they are by the toolkit.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "app/language_texts.h"

namespace varnel::tk {
class Control;
}  // namespace varnel::tk

namespace varnel::language {

enum class Target : std::uint8_t { Caption, Hint };

struct ControlText {
    // The control's name; empty for the window itself.
    std::string_view control;
    Target target;
    std::string_view english;
    std::string_view chinese;

    std::string_view pick(std::uint8_t language) const noexcept
    {
        return language == LanguageChinese ? chinese : english;
    }
};

// The main window (TMForm). Its caption row gives the title only; the
// version suffix follows.
std::span<const ControlText> MainWindowTexts() noexcept;
// The modem board window (TModem); the port labels Label5 and Label6 are
// built from LanguageTexts and the port numbers.
std::span<const ControlText> ModemWindowTexts() noexcept;
// The port dialog (TPortForm) without Button1, which follows its port.
std::span<const ControlText> PortDialogTexts() noexcept;
// The two-port dialog (TModemComPort) without Button1 and Button2.
std::span<const ControlText> TwoPortDialogTexts() noexcept;
// The about window (TAboutBox): the caption and Label2 rows give the
// prefixes of the application title and of the product version.
std::span<const ControlText> AboutBoxTexts() noexcept;

// The text a port's open/close button shows for a port in that state
// (TextClose while open, TextOpen while closed).
std::string PortButtonText(bool portOpen, std::uint8_t language);

// Writes the table's texts for the language onto `root` (an empty control
// name) and the controls of its tree found by name; a control the tree does
// not have is passed over.
void ApplyTextTable(tk::Control& root, std::span<const ControlText> table, std::uint8_t language);

}  // namespace varnel::language
