// The two-port dialog's texts; Button1 and Button2 name what a click does to
// the modem window's send and receive ports at this moment.
#include "app/instances.h"
#include "app/language_tables.h"
#include "modem/modem.h"
#include "ports/modem_com_port.h"

namespace varnel {

void TModemComPort::ApplyLanguage(std::uint8_t language)
{
    language::ApplyTextTable(*this, language::TwoPortDialogTexts(), language);
    const bool sendOpen = Modem != nullptr && Modem->ComPort12.fGetActive();
    const bool receiveOpen = Modem != nullptr && Modem->ComPort13.fGetActive();
    Button1.setCaption(language::PortButtonText(sendOpen, language));
    Button2.setCaption(language::PortButtonText(receiveOpen, language));
}

}  // namespace varnel
