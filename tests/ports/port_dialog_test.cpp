// The port dialogs on real pseudo-terminals: selections reach the
// components at once, an open port follows its new settings, failures are
// reported with the port's number, and the window switch hands the line
// from the radio port to the modem window's send port and back.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "app/instances.h"
#include "app/shell_fixture.h"
#include "modem/modem.h"
#include "ports/modem_com_port.h"
#include "ports/port_form.h"
#include "ports/port_settings.h"
#include "radio/mform.h"

namespace varnel::test {
namespace {

using namespace std::chrono_literals;
using ports::SelectedText;

std::string CantOpen(int number)
{
    return "Can't open the serial port COM" + std::to_string(number) + ",please check it again or choose another";
}

// True when bytes written through the component arrive at the far end.
bool LineReaches(TQzCommDevice& port, PtyEnd& end)
{
    const std::array<std::uint8_t, 4> probe{0x55, 0xAA, 0x02, 0x7E};
    if (port.WritePackage(probe.data(), probe.size()) != static_cast<long>(probe.size()))
        return false;
    const std::vector<std::uint8_t> got = end.read(probe.size(), 5s);
    return got == std::vector<std::uint8_t>(probe.begin(), probe.end());
}

class PortDialogTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        com1 = &addPort(1);
        com2 = &addPort(2);
        com3 = &addPort(3);
        addDeadPort(5);
        writeConfig("[COMPort2]\nPort=COM2\n[COMPort3]\nPort=COM3\n");
        start();
        MForm->RzToolButton6.userClick();
        ASSERT_TRUE(PortForm->visible());
        ASSERT_TRUE(MForm->ComPort1.fGetActive());
    }

    int indexOf(const tk::ComboBox& box, const std::string& name) const { return box.indexOf(name); }

    PtyEnd* com1 = nullptr;
    PtyEnd* com2 = nullptr;
    PtyEnd* com3 = nullptr;
};

TEST_F(PortDialogTest, ListsThePresentPortsInNumberOrder)
{
    const std::vector<std::string> expected{"COM1", "COM2", "COM3", "COM5"};
    EXPECT_EQ(PortForm->ComName1.items(), expected);
    EXPECT_EQ(ModemComPort->ComName12.items(), expected);
    EXPECT_EQ(ModemComPort->ComName13.items(), expected);
    EXPECT_EQ(PortForm->BaudRate1.items(), (std::vector<std::string>{"1200", "9600"}));
    EXPECT_EQ(ModemComPort->BaudRate13.items(), (std::vector<std::string>{"600", "1200", "2400", "4800", "9600"}));
    EXPECT_TRUE(LineReaches(MForm->ComPort1, *com1));
}

TEST_F(PortDialogTest, AnotherPortChosenWhileOpenClosesTheOldAndOpensTheNew)
{
    PortForm->ComName1.userSelect(indexOf(PortForm->ComName1, "COM2"));

    EXPECT_TRUE(MForm->ComPort1.fGetActive());
    EXPECT_EQ(MForm->ComPort1.fGetPort(), 2);
    EXPECT_TRUE(PortForm->iLedRound1.lit());
    EXPECT_EQ(PortForm->Button1.caption(), "Close");
    EXPECT_TRUE(LineReaches(MForm->ComPort1, *com2));
    EXPECT_TRUE(messages().empty());
}

TEST_F(PortDialogTest, AnotherPortThatCannotBeOpenedLeavesThePortClosed)
{
    PortForm->ComName1.userSelect(indexOf(PortForm->ComName1, "COM5"));

    EXPECT_EQ(messages(), std::vector<std::string>{CantOpen(5)});
    EXPECT_FALSE(MForm->ComPort1.fGetActive());
    EXPECT_FALSE(PortForm->iLedRound1.lit());
    EXPECT_EQ(PortForm->Button1.caption(), "Open");

    // The lamp is dark, so a further choice does not open the port.
    PortForm->ComName1.userSelect(indexOf(PortForm->ComName1, "COM2"));
    EXPECT_FALSE(MForm->ComPort1.fGetActive());
    EXPECT_EQ(MForm->ComPort1.fGetPort(), 2);
    EXPECT_EQ(messages().size(), 1u);
}

TEST_F(PortDialogTest, TypedPortNameIsMatchedOrCountsAsPortZero)
{
    PortForm->ComName1.userEdited("com3");
    EXPECT_EQ(SelectedText(PortForm->ComName1), "COM3");
    EXPECT_EQ(MForm->ComPort1.fGetPort(), 3);
    EXPECT_TRUE(MForm->ComPort1.fGetActive());
    EXPECT_TRUE(LineReaches(MForm->ComPort1, *com3));

    PortForm->ComName1.userEdited("COM3 ");
    EXPECT_EQ(PortForm->ComName1.itemIndex(), -1);
    EXPECT_EQ(MForm->ComPort1.fGetPort(), 0);
    EXPECT_FALSE(MForm->ComPort1.fGetActive());
    EXPECT_EQ(messages(), std::vector<std::string>{CantOpen(0)});
    EXPECT_FALSE(PortForm->iLedRound1.lit());
}

TEST_F(PortDialogTest, BaudRateChosenWhileClosedIsTakenAndThePortStaysClosed)
{
    PortForm->Button1.userClick();
    ASSERT_FALSE(MForm->ComPort1.fGetActive());
    EXPECT_FALSE(PortForm->iLedRound1.lit());
    EXPECT_EQ(PortForm->Button1.caption(), "Open");

    PortForm->BaudRate1.userSelect(0);
    EXPECT_EQ(MForm->ComPort1.fGetBaud(), TBaudRate::br1200);
    EXPECT_FALSE(MForm->ComPort1.fGetActive());

    PortForm->Button1.userClick();
    EXPECT_TRUE(MForm->ComPort1.fGetActive());
    EXPECT_EQ(MForm->ComPort1.fGetBaud(), TBaudRate::br1200);
    EXPECT_TRUE(PortForm->iLedRound1.lit());
}

TEST_F(PortDialogTest, BaudRateChosenWhileOpenReopensAtTheNewRate)
{
    PortForm->BaudRate1.userSelect(0);
    EXPECT_EQ(MForm->ComPort1.fGetBaud(), TBaudRate::br1200);
    EXPECT_TRUE(MForm->ComPort1.fGetActive());
    EXPECT_TRUE(LineReaches(MForm->ComPort1, *com1));
}

TEST_F(PortDialogTest, TypedBaudRateThatIsNoItemChangesNothing)
{
    PortForm->BaudRate1.userEdited("4800");
    EXPECT_EQ(PortForm->BaudRate1.itemIndex(), -1);
    EXPECT_EQ(MForm->ComPort1.fGetBaud(), TBaudRate::br9600);
    EXPECT_TRUE(MForm->ComPort1.fGetActive());
    EXPECT_TRUE(messages().empty());
}

TEST_F(PortDialogTest, OpenComPortOnAnOpenPortOnlyRefreshesTheLamp)
{
    PortForm->iLedRound1.setLit(false);
    PortForm->Button1.setCaption("Open");
    OpenComPort();
    EXPECT_TRUE(PortForm->iLedRound1.lit());
    EXPECT_EQ(PortForm->Button1.caption(), "Close");
    EXPECT_TRUE(MForm->ComPort1.fGetActive());
    EXPECT_TRUE(LineReaches(MForm->ComPort1, *com1));
    EXPECT_TRUE(messages().empty());

    CloseComPort();
    CloseComPort();
    EXPECT_FALSE(MForm->ComPort1.fGetActive());
    EXPECT_FALSE(PortForm->iLedRound1.lit());
}

TEST_F(PortDialogTest, ExitNeverOpensOrClosesAPort)
{
    PortForm->Button2.userClick();
    EXPECT_FALSE(PortForm->visible());
    EXPECT_TRUE(MForm->ComPort1.fGetActive());

    Modem->RzToolButton6Click(Modem->RzToolButton6);
    ASSERT_TRUE(ModemComPort->visible());
    ModemComPort->Button3.userClick();
    EXPECT_FALSE(ModemComPort->visible());
    EXPECT_FALSE(Modem->ComPort12.fGetActive());
    EXPECT_FALSE(Modem->ComPort13.fGetActive());
}

TEST_F(PortDialogTest, PortMenuShowsTheDialogModallyAndTheToolButtonWithout)
{
    PortForm->Button2.userClick();
    bool modal = false;
    backend().onNextModal([&](tk::Form& form) {
        modal = form.isModal() && &form == PortForm;
        PortForm->Button2.userClick();
    });
    MForm->Port1.userClick();
    EXPECT_TRUE(modal);
    EXPECT_FALSE(PortForm->visible());

    MForm->RzToolButton6.userClick();
    EXPECT_TRUE(PortForm->visible());
    EXPECT_FALSE(PortForm->isModal());
}

class ModemPortDialogTest : public PortDialogTest {
protected:
    void SetUp() override
    {
        PortDialogTest::SetUp();
        Modem->RzToolButton6Click(Modem->RzToolButton6);
        ASSERT_TRUE(ModemComPort->visible());
    }
};

TEST_F(ModemPortDialogTest, ButtonsOpenAndCloseEachPort)
{
    TModemComPort& dialog = *ModemComPort;
    dialog.Button1.userClick();
    EXPECT_TRUE(Modem->ComPort12.fGetActive());
    EXPECT_TRUE(dialog.iLedRound1.lit());
    EXPECT_EQ(dialog.Button1.caption(), "Close");
    EXPECT_TRUE(LineReaches(Modem->ComPort12, *com2));

    dialog.Button2.userClick();
    EXPECT_TRUE(Modem->ComPort13.fGetActive());
    EXPECT_TRUE(dialog.iLedRound2.lit());
    EXPECT_EQ(dialog.Button2.caption(), "Close");
    EXPECT_TRUE(LineReaches(Modem->ComPort13, *com3));

    dialog.Button1.userClick();
    EXPECT_FALSE(Modem->ComPort12.fGetActive());
    EXPECT_FALSE(dialog.iLedRound1.lit());
    EXPECT_EQ(dialog.Button1.caption(), "Open");
    EXPECT_TRUE(Modem->ComPort13.fGetActive());
}

TEST_F(ModemPortDialogTest, ChangesWhileOpenReopenWithTheNewSettings)
{
    TModemComPort& dialog = *ModemComPort;
    dialog.Button1.userClick();
    ASSERT_TRUE(Modem->ComPort12.fGetActive());

    dialog.BaudRate12.userSelect(dialog.BaudRate12.indexOf("4800"));
    dialog.Parity12.userSelect(dialog.Parity12.indexOf("Odd"));
    EXPECT_EQ(Modem->ComPort12.fGetBaud(), TBaudRate::br4800);
    EXPECT_EQ(Modem->ComPort12.fGetParity(), TParity::ptOddParity);
    EXPECT_TRUE(Modem->ComPort12.fGetActive());

    dialog.ComName12.userSelect(dialog.ComName12.indexOf("COM3"));
    EXPECT_EQ(Modem->Label5.caption(), "Transmit,COM3");
    EXPECT_TRUE(Modem->ComPort12.fGetActive());
    EXPECT_TRUE(LineReaches(Modem->ComPort12, *com3));

    dialog.ComName13.userSelect(dialog.ComName13.indexOf("COM1"));
    EXPECT_EQ(Modem->Label6.caption(), "Recieve,COM1");
    EXPECT_FALSE(Modem->ComPort13.fGetActive()) << "a dark lamp keeps the port closed";

    dialog.ComName12.userSelect(dialog.ComName12.indexOf("COM5"));
    EXPECT_EQ(messages(), std::vector<std::string>{CantOpen(5)});
    EXPECT_FALSE(Modem->ComPort12.fGetActive());
    EXPECT_FALSE(dialog.iLedRound1.lit());
    EXPECT_EQ(dialog.Button1.caption(), "Open");
}

TEST_F(ModemPortDialogTest, TypedBaudRateThatIsNoItemMovesTheFocusBack)
{
    TModemComPort& dialog = *ModemComPort;
    dialog.Button3.setFocus();
    dialog.BaudRate12.userEdited("123");
    EXPECT_EQ(dialog.BaudRate12.itemIndex(), -1);
    EXPECT_TRUE(dialog.BaudRate12.focused());
    EXPECT_EQ(Modem->ComPort12.fGetBaud(), TBaudRate::br2400);
}

class WindowSwitchTest : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        addPort(1);
        com4 = &addPort(4);
        writeConfig("[COMPort]\nPort=COM4\n");
        start();
        ASSERT_EQ(MForm->ComPort1.fGetPort(), 4);
        ASSERT_TRUE(MForm->ComPort1.fGetActive());
    }

    PtyEnd* com4 = nullptr;
};

TEST_F(WindowSwitchTest, OpenRadioPortIsHandedToTheSendPortAndBack)
{
    MForm->RzToolButton6.userClick();
    MForm->ZR650TModem1.userClick();

    EXPECT_TRUE(Modem->visible());
    EXPECT_FALSE(MForm->visible());
    EXPECT_FALSE(PortForm->visible());
    EXPECT_EQ(Modem->width(), 571) << "never wider than 571";
    EXPECT_EQ(Modem->height(), MForm->height());
    EXPECT_EQ(SelectedText(ModemComPort->ComName12), "COM4");
    EXPECT_FALSE(MForm->ComPort1.fGetActive());
    EXPECT_FALSE(PortForm->iLedRound1.lit());
    EXPECT_TRUE(Modem->ComPort12.fGetActive());
    EXPECT_EQ(Modem->ComPort12.fGetPort(), 4);
    EXPECT_TRUE(ModemComPort->iLedRound1.lit());
    EXPECT_EQ(ModemComPort->Button1.caption(), "Close");
    EXPECT_EQ(Modem->Label5.caption(), "Transmit,COM4");
    EXPECT_TRUE(LineReaches(Modem->ComPort12, *com4));

    Modem->RzToolButton6Click(Modem->RzToolButton6);
    Modem->RzToolButton7.userClick();

    EXPECT_TRUE(MForm->visible());
    EXPECT_FALSE(Modem->visible());
    EXPECT_FALSE(ModemComPort->visible());
    EXPECT_FALSE(Modem->ComPort12.fGetActive());
    EXPECT_FALSE(ModemComPort->iLedRound1.lit());
    EXPECT_EQ(ModemComPort->Button1.caption(), "Open");
    EXPECT_TRUE(MForm->ComPort1.fGetActive());
    EXPECT_EQ(MForm->ComPort1.fGetPort(), 4);
    EXPECT_TRUE(PortForm->iLedRound1.lit());
    EXPECT_TRUE(LineReaches(MForm->ComPort1, *com4));
    EXPECT_TRUE(messages().empty());
}

TEST_F(WindowSwitchTest, ClosedRadioPortOnlyCopiesTheSelection)
{
    CloseComPort();
    MForm->ZR650TModem1.userClick();
    EXPECT_EQ(SelectedText(ModemComPort->ComName12), "COM4");
    EXPECT_EQ(Modem->ComPort12.fGetPort(), 4);
    EXPECT_FALSE(Modem->ComPort12.fGetActive());

    ModemComPort->ComName12.setItemIndex(0);
    ModemComPort->ComName12Change(ModemComPort->ComName12);
    Modem->RzToolButton7.userClick();
    EXPECT_EQ(SelectedText(PortForm->ComName1), "COM1");
    EXPECT_EQ(MForm->ComPort1.fGetPort(), 1);
    EXPECT_FALSE(MForm->ComPort1.fGetActive());
}

}  // namespace
}  // namespace varnel::test
