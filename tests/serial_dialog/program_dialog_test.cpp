// The settings dialog inside the whole program: the radio port's component
// opens it once the program has started.
#include <gtest/gtest.h>

#include "app/instances.h"
#include "app/shell_fixture.h"
#include "radio/mform.h"
#include "serial_dialog/settings_dialog.h"

namespace varnel::test {
namespace {

class ProgramSettingsDialogTest : public ShellTest {};

TEST_F(ProgramSettingsDialogTest, RadioPortOpensTheDialogWithItsSettings)
{
    addPort(1);
    addPort(2);
    TQzCustomCommDevice::SetSettingsDialogFunction(nullptr);
    start();
    ASSERT_TRUE(MForm->ComPort1.fGetActive());

    std::string shownPort;
    std::string shownBaud;
    backend().onNextModal([&](tk::Form& form) {
        auto& dialog = dynamic_cast<TForm_QzCommDevice_Settings&>(form);
        shownPort = dialog.CbPort.text();
        shownBaud = dialog.CbSelBaud.text();
        dialog.BnCancel.userClick();
    });
    EXPECT_FALSE(MForm->ComPort1.SettingsDialog(MForm, false));
    EXPECT_EQ(shownPort, "COM1");
    EXPECT_EQ(shownBaud, "9600");
    EXPECT_TRUE(MForm->ComPort1.fGetActive());
    EXPECT_TRUE(MForm->visible()) << "the dialog is not the main window: closing it ends nothing";
    EXPECT_FALSE(toolkit().terminated());
}

}  // namespace
}  // namespace varnel::test
