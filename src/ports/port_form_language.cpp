// The port dialog's texts; Button1 names what a click on it does to the
// radio port at this moment.
#include "app/instances.h"
#include "app/language_tables.h"
#include "ports/port_form.h"
#include "radio/mform.h"

namespace varnel {

void TPortForm::ApplyLanguage(std::uint8_t language)
{
    language::ApplyTextTable(*this, language::PortDialogTexts(), language);
    const bool open = MForm != nullptr && MForm->ComPort1.fGetActive();
    Button1.setCaption(language::PortButtonText(open, language));
}

}  // namespace varnel
