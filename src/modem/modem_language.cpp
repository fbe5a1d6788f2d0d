// The modem board window's texts, the test button's Send/Stop texts and the
// two port labels.
#include <string>

#include "app/language_tables.h"
#include "app/language_texts.h"
#include "modem/modem.h"

namespace varnel {

void TModem::ApplyLanguage(std::uint8_t language)
{
    // A running test keeps its "Stop" caption, in the new language: the
    // button's click tells start from stop by that caption.
    const bool showsStop = !Button1.caption().empty() && Button1.caption() != LanguageTexts.TextSend;

    language::ApplyTextTable(*this, language::ModemWindowTexts(), language);
    const TLanguageTexts texts = LanguageTextsFor(language);
    LanguageTexts.TextSend = texts.TextSend;
    LanguageTexts.TextStop = texts.TextStop;
    Button1.setCaption(showsStop ? LanguageTexts.TextStop : LanguageTexts.TextSend);

    setCaption(caption() + " " + VersionTag);
    ShowReceivePortLabel();
    ShowSendPortLabel();
}

}  // namespace varnel
