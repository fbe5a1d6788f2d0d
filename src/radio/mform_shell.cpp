// Frame commands of the main window that belong to the application shell:
// creation and closing, the program end, the port dialog, the language menu,
// the window switch, the about window and the profile files.
#include "radio/mform.h"

namespace varnel {

void TMForm::FormCreate(tk::Control& /*Sender*/) {}

void TMForm::FormClose(tk::Control& /*Sender*/, tk::CloseAction& /*Action*/) {}

void TMForm::Close1Click(tk::Control& /*Sender*/) {}

void TMForm::RzToolButton2Click(tk::Control& /*Sender*/) {}

void TMForm::Port1Click(tk::Control& /*Sender*/) {}

void TMForm::RzToolButton6Click(tk::Control& /*Sender*/) {}

void TMForm::About1Click(tk::Control& /*Sender*/) {}

void TMForm::English1Click(tk::Control& /*Sender*/) {}

void TMForm::N1Click(tk::Control& /*Sender*/) {}

void TMForm::ZR650TModem1Click(tk::Control& /*Sender*/) {}

void TMForm::RzToolButton1Click(tk::Control& /*Sender*/) {}

void TMForm::RzToolButton3Click(tk::Control& /*Sender*/) {}

} // namespace varnel
