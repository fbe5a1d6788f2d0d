// The window switch hands the one serial line between the main window's
// ComPort1 and the modem window's ComPort12, with both windows talking on
// it in turn.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/instances.h"
#include "link/frame_codec.h"
#include "modem/modem.h"
#include "modem/modem_fixture.h"
#include "ports/modem_com_port.h"
#include "ports/port_form.h"
#include "ports/port_settings.h"
#include "radio/mform.h"

namespace varnel::test {
namespace {

class WindowSwitch : public ShellTest {
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        const char* portDir = std::getenv("VARNEL_PORT_DIR");
        ASSERT_NE(portDir, nullptr);
        addPort(1);
        line = std::make_unique<LinePeer>(portDir, 4);
        writeConfig("[COMPort]\nPort=COM4\n");
        start();
        ASSERT_TRUE(MForm->ComPort1.fGetActive());
        ASSERT_EQ(MForm->ComPort1.fGetPort(), 4);
    }

    void TearDown() override
    {
        ShellTest::TearDown();
        line.reset();
    }

    void expectLineWithMainWindow()
    {
        EXPECT_TRUE(MForm->visible());
        EXPECT_FALSE(Modem->visible());
        EXPECT_FALSE(ModemComPort->visible());
        EXPECT_TRUE(MForm->ComPort1.fGetActive());
        EXPECT_EQ(MForm->ComPort1.fGetPort(), 4);
        EXPECT_TRUE(PortForm->iLedRound1.lit());
        EXPECT_FALSE(Modem->ComPort12.fGetActive());
        EXPECT_FALSE(ModemComPort->iLedRound1.lit());
        EXPECT_EQ(ModemComPort->Button1.caption(), "Open");
    }

    std::unique_ptr<LinePeer> line;
};

TEST_F(WindowSwitch, BothWindowsTalkOnTheHandedOverLine)
{
    MForm->ZR650TModem1.userClick();
    ASSERT_TRUE(Modem->visible());
    EXPECT_FALSE(MForm->ComPort1.fGetActive());
    EXPECT_TRUE(Modem->ComPort12.fGetActive());
    EXPECT_EQ(Modem->ComPort12.fGetPort(), 4);
    EXPECT_EQ(ports::SelectedText(ModemComPort->ComName12), "COM4");
    EXPECT_TRUE(ModemComPort->iLedRound1.lit());
    EXPECT_EQ(ModemComPort->Button1.caption(), "Close");
    EXPECT_EQ(Modem->Label5.caption(), "Transmit,COM4");

    Modem->RzToolButton4.userClick();
    const auto boardRequest = line->readRequest();
    ASSERT_TRUE(boardRequest.has_value());
    EXPECT_EQ(Hex(*boardRequest), "55 AA 03 23 00 00 26");
    line->write(BoardReply(0x23, {0x20}));
    ASSERT_TRUE(backend().waitForPosts([] { return Modem->RzStatusPane4.caption() == "Read success!"; },
                                       std::chrono::seconds(10)));

    Modem->RzToolButton6.userClick();
    Modem->RzToolButton7.userClick();
    expectLineWithMainWindow();

    MForm->RzToolButton4.userClick();
    const auto radioRequest = line->readRequest();
    ASSERT_TRUE(radioRequest.has_value());
    const auto readModel = link::Sealed(link::request::ReadModel);
    EXPECT_EQ(Hex(*radioRequest), Hex(readModel));
    EXPECT_EQ(Modem->RzStatusPane2.caption(), "Tx:7") << "each window counts its own traffic";
    EXPECT_TRUE(messages().empty());
}

TEST_F(WindowSwitch, CloseBoxHandsTheLineBackAsTheToolButtonDoes)
{
    MForm->ZR650TModem1.userClick();
    ASSERT_TRUE(Modem->ComPort12.fGetActive());
    Modem->userClose();
    expectLineWithMainWindow();
}

TEST_F(WindowSwitch, ModemWindowTakesTheMainWindowsPlaceAtMost571Wide)
{
    MForm->setBounds({40, 30, 800, 641});
    MForm->ZR650TModem1.userClick();
    EXPECT_EQ(Modem->left(), 40);
    EXPECT_EQ(Modem->top(), 30);
    EXPECT_EQ(Modem->width(), 571);
    EXPECT_EQ(Modem->height(), 641);
}

TEST_F(WindowSwitch, FileCloseEndsTheProgramAtOnceWithoutSaving)
{
    MForm->ZR650TModem1.userClick();
    const auto before = readConfig();
    Modem->Close1.userClick();
    EXPECT_TRUE(toolkit().terminated());
    EXPECT_EQ(readConfig(), before);
}

}  // namespace
}  // namespace varnel::test
