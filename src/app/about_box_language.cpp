// The about window's texts: the caption and the version line, each a
// language's prefix followed by the title or the product version.
#include <string>

#include "app/about_box.h"
#include "app/application.h"
#include "app/language_tables.h"
#include "app/language_texts.h"

namespace varnel {

void TAboutBox::ApplyLanguage(std::uint8_t language)
{
    language::ApplyTextTable(*this, language::AboutBoxTexts(), language);
    setCaption(caption() + ApplicationTitle);
    Label2.setCaption(Label2.caption() + app::ProductVersion());
}

}  // namespace varnel
