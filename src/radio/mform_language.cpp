// The main window's texts in both languages and the message texts the other
// windows compose their messages from.
#include <string>
#include <utility>

#include "app/language_tables.h"
#include "app/language_texts.h"
#include "radio/mform.h"

namespace varnel {

void TMForm::ApplyLanguage(std::uint8_t language)
{
    ApplyControlTexts(language);

    // TextSend and TextStop belong to the modem window.
    TLanguageTexts texts = LanguageTextsFor(language);
    texts.TextSend = std::move(LanguageTexts.TextSend);
    texts.TextStop = std::move(LanguageTexts.TextStop);
    LanguageTexts = std::move(texts);

    setCaption(caption() + " " + VersionTag);
}

void TMForm::ApplyControlTexts(std::uint8_t language)
{
    // The table's caption row sets the bare title, so the version suffix
    // is added to it exactly once.
    language::ApplyTextTable(*this, language::MainWindowTexts(), language);
}

} // namespace varnel
