// The link: sending and counting, the package handler, the dispatcher's rows,
// the watchdog's time-outs and the cancel.
#include "radio/mform_fixture.h"

#include <chrono>
#include <limits>
#include <span>
#include <thread>

namespace varnel::test {
namespace {

using link::TransferState;
using MFormLink = MFormTest;

TEST_F(MFormLink, SendFrameCountsWhatWasAskedEvenOnAClosedPort)
{
    const auto request = link::Sealed(link::request::ReadModel);
    form->SendFrame(request);
    form->SendFrame(request);
    EXPECT_EQ(form->RzStatusPane2.caption(), "Tx:12");

    OpenPort();
    form->SendFrame(request);
    EXPECT_EQ(Sent(), B({0x55, 0xAA, 0x02, 0x28, 0x00, 0x2A}));
    EXPECT_EQ(form->RzStatusPane2.caption(), "Tx:18");
}

TEST_F(MFormLink, CountersGoOnPastThe32BitRangeAndNeverWrap)
{
    form->Link.TxByteCount.preset(std::numeric_limits<std::int32_t>::max() - 2);
    form->SendFrame(link::Sealed(link::request::ReadModel));
    EXPECT_EQ(form->RzStatusPane2.caption(), "Tx:2147483651");
    form->Link.TxByteCount.preset(std::numeric_limits<std::int64_t>::max() - 1);
    form->SendFrame(link::Sealed(link::request::ReadModel));
    EXPECT_EQ(form->RzStatusPane2.caption(), "Tx:9223372036854775807");
}

// Every request the user starts checks the port first.
TEST_F(MFormLink, OperationsRefuseAClosedPortAndSendNothing)
{
    const std::pair<const char*, void (TMForm::*)(tk::Control&)> operations[] = {
        {"identification", &TMForm::RzToolButton4Click},
        {"ID write", &TMForm::RzToolButton5Click},
        {"table read", &TMForm::Button12Click},
        {"table write", &TMForm::Button13Click},
    };
    form->Edit2.setText("00042");
    for (const auto& [name, operation] : operations) {
        backend.clearMessages();
        (form.get()->*operation)(*form);
        EXPECT_EQ(Messages(), std::vector<std::string>{"Please open the serial port before this operation."}) << name;
        EXPECT_EQ(TxCount(), 0) << name;
        EXPECT_TRUE(form->enabled()) << name;
        EXPECT_FALSE(form->Timer1.enabled()) << name;
        EXPECT_EQ(form->Link.TransferState, TransferState::Idle) << name;
    }
}

// ---- package handler over the pty -------------------------------------------

class MFormPackages : public MFormTest {
protected:
    // Waits until `count` packages have been handled (by the Rx count).
    bool WaitForRx(std::int64_t bytes)
    {
        return backend.waitForPosts([&] { return form->Link.RxByteCount.value() >= bytes; }, std::chrono::seconds(5));
    }
};

TEST_F(MFormPackages, RepliesArriveAsPackagesAndAreCountedAndDispatched)
{
    OpenPort();
    peer.write(Frame(0x20, {0x00})); // acknowledgement of a single write
    ASSERT_TRUE(WaitForRx(7));
    EXPECT_EQ(form->RzStatusPane3.caption(), "Rx:7");
    EXPECT_EQ(form->RzStatusPane4.caption(), "Write success!");
}

TEST_F(MFormPackages, DamagedAndForeignPackagesOnlyCount)
{
    OpenPort();
    Bytes damaged = Frame(0x20, {0x00});
    damaged.back() ^= 0x01;
    peer.write(damaged);
    ASSERT_TRUE(WaitForRx(7));
    peer.write(B({0x01, 0x02, 0x03}));
    ASSERT_TRUE(WaitForRx(10));
    EXPECT_EQ(form->RzStatusPane3.caption(), "Rx:10");
    EXPECT_EQ(form->RzStatusPane4.caption(), "");
}

// A pause longer than the package interval on the line: the stimulus that
// makes the serial layer cut two packages (not a wait for the window).
void LinePause() { std::this_thread::sleep_for(std::chrono::milliseconds(250)); }

TEST_F(MFormPackages, TwoPackagesQueuedBeforeTheWindowRunsAreHandledInOrder)
{
    OpenPort();
    peer.write(Frame(0x24, {0x05}));
    LinePause();
    peer.write(Frame(0x24, {0x09}));
    ASSERT_TRUE(WaitForRx(14));
    EXPECT_EQ(form->Edit4.text(), "9");
    EXPECT_EQ(form->CurrentChannel.caption(), "9");
}

TEST_F(MFormPackages, AReplySplitIntoTwoPackagesIsLost)
{
    OpenPort();
    const Bytes reply = Frame(0x24, {0x05});
    peer.write(std::span(reply).first(3));
    LinePause();
    peer.write(std::span(reply).subspan(3));
    ASSERT_TRUE(WaitForRx(7));
    EXPECT_EQ(form->Edit4.text(), "");
    EXPECT_EQ(form->RzStatusPane4.caption(), "");
}

TEST_F(MFormPackages, OnlyTheFirstFrameOfAPackageCounts)
{
    OpenPort();
    Bytes two = Frame(0x24, {0x05});
    const Bytes second = Frame(0x24, {0x09});
    two.insert(two.end(), second.begin(), second.end());
    peer.write(two);
    ASSERT_TRUE(WaitForRx(14));
    EXPECT_EQ(form->Edit4.text(), "5");
}

} // namespace
} // namespace varnel::test
