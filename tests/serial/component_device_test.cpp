// The device component on a real pseudo-terminal: settings that close the
// port, the package layer switched with UsePackage, and notifications that
// reach the creating thread one per event.

#include <gtest/gtest.h>

#include <thread>

#include "package_test_support.h"
#include "serial/qzcommdevice.h"
#include "toolkit/headless_backend.h"

namespace {

using namespace std::chrono_literals;
using HalvikComm32::EComm32Error;
using HalvikComm32::EV_MODEMLINES;
using HalvikComm32::EV_RXCHAR;
using HalvikComm32::EV_RXFLAG;
using HalvikComm32::EV_TXEMPTY;
using HalvikComm32::TComm32;
using varnel::serial_test::Bytes;
using varnel::serial_test::HeldPostsBackend;
using varnel::serial_test::kPatience;
using varnel::serial_test::PortDirectory;
using varnel::serial_test::Pty;

struct Call {
    int type = 0;
    long read = 0;  // what ReadPackage gave inside the handler
    Bytes data;
    std::thread::id thread;
};

// Set up like the main window's port: time-out packages of 100 ms on COM2.
template <typename Backend>
class ComponentFixture : public ::testing::Test {
protected:
    ComponentFixture()
    {
        ports.publish(2, pty);
        device.fSetPort(2);
        device.fSetBaud(TBaudRate::br9600);
        device.fSetPkgType(TCommPackageType::cptFrameTimeout);
        device.fSetPkgInterval(100);
        device.fSetUsePackage(true);
        // Like the windows' handler: read one package per call.
        device.OnPackage = [this](TObject* sender, int type) {
            EXPECT_EQ(sender, &device);
            Bytes buf(1024);
            const long n = device.ReadPackage(buf.data(), buf.size());
            buf.resize(static_cast<std::size_t>(std::max(n, 0L)));
            packageCalls.push_back({type, n, buf, std::this_thread::get_id()});
        };
        device.OnCommNotify = [this](TObject* sender, int type) {
            EXPECT_EQ(sender, &device);
            commCalls.push_back(type);
        };
    }

    std::size_t packagesRead() const
    {
        std::size_t n = 0;
        for (const Call& c : packageCalls)
            n += c.read > 0 ? 1 : 0;
        return n;
    }

    bool anyPackageCall(int bits) const
    {
        for (const Call& c : packageCalls)
            if ((c.type & bits) != 0)
                return true;
        return false;
    }

    Backend backend;
    PortDirectory ports;
    Pty pty;
    TQzCommDevice device{backend};
    std::vector<Call> packageCalls;
    std::vector<int> commCalls;
};

class Component : public ComponentFixture<varnel::tk::HeadlessBackend> {
protected:
    bool waitFor(const std::function<bool()>& condition) { return backend.waitForPosts(condition, kPatience); }
};

TEST_F(Component, DefaultsAfterConstruction)
{
    TQzCommDevice fresh{backend};
    EXPECT_EQ(fresh.fGetPort(), 2);
    EXPECT_EQ(fresh.fGetBaud(), TBaudRate::br115200);
    EXPECT_EQ(fresh.fGetParity(), TParity::ptNoParity);
    EXPECT_EQ(fresh.fGetByteSize(), 8);
    EXPECT_EQ(fresh.fGetStopBits(), TStopBits::sbOneStopBit);
    EXPECT_EQ(fresh.fGetFlCtrl(), TFlowControl::fcNone);
    EXPECT_EQ(fresh.fGetAutAns(), 0);
    EXPECT_TRUE(fresh.fGetSyncEvents());
    EXPECT_EQ(fresh.fGetInBufSize(), 8192);
    EXPECT_EQ(fresh.fGetOutBufSize(), 8192);
    EXPECT_EQ(fresh.fGetHwInSize(), 1200);
    EXPECT_EQ(fresh.fGetHwOutSize(), 1200);
    EXPECT_EQ(fresh.fGetQSize(), 16);
    EXPECT_EQ(fresh.fGetPkgSz(), 4096);
    EXPECT_EQ(fresh.fGetPkgType(), TCommPackageType::cptCompatiblePkg);
    EXPECT_EQ(fresh.fGetPkgInterval(), 50);
    EXPECT_FALSE(fresh.fGetUsePackage());
    EXPECT_FALSE(fresh.fGetActive());
    EXPECT_EQ(fresh.fGetFrameSettings().fGetFrameHead(), 0xEB);
    EXPECT_EQ(fresh.fGetFrameSettings().fGetFrameTail(), 0xEE);
    EXPECT_EQ(fresh.fGetFrameSettings().fGetFrameCtrl(), 0xEC);
    EXPECT_TRUE(fresh.fGetFrameSettings().fGetDblFrMark());
}

TEST_F(Component, ChangingTheBaudRateClosesAndReopeningApplies)
{
    device.fSetBaud(TBaudRate::br115200);
    device.fSetActive(true);
    ASSERT_TRUE(device.fGetActive());
    int beforeClose = 0;
    device.BeforeClose = [&](TObject* sender) {
        EXPECT_EQ(sender, &device);
        ++beforeClose;
    };

    device.fSetBaud(TBaudRate::br9600);
    EXPECT_FALSE(device.fGetActive());
    EXPECT_FALSE(device.Engine().Active);
    EXPECT_EQ(beforeClose, 1) << "closed inside the setter";
    EXPECT_TRUE(device.PackageLayer().fGetActive()) << "the layer is left as it was";

    device.fSetActive(true);
    EXPECT_TRUE(device.fGetActive());
    const termios line = pty.settings();
    EXPECT_EQ(cfgetospeed(&line), B9600);
}

TEST_F(Component, EverySettingThatClosesThePort)
{
    struct Case {
        const char* what;
        std::function<void(TQzCommDevice&)> change;
        bool closes;
    };
    const Case cases[] = {
        {"port", [](TQzCommDevice& d) { d.fSetPort(2); }, true},
        {"baud", [](TQzCommDevice& d) { d.fSetBaud(TBaudRate::br4800); }, true},
        {"parity", [](TQzCommDevice& d) { d.fSetParity(TParity::ptEvenParity); }, true},
        {"byte size", [](TQzCommDevice& d) { d.fSetByteSize(7); }, true},
        {"stop bits", [](TQzCommDevice& d) { d.fSetStopBits(TStopBits::sbTwoStopBit); }, true},
        {"flow control", [](TQzCommDevice& d) { d.fSetFlCtrl(TFlowControl::fcNone); }, true},
        {"driver input size", [](TQzCommDevice& d) { d.fSetHwInSize(2400); }, true},
        {"driver output size", [](TQzCommDevice& d) { d.fSetHwOutSize(2400); }, true},
        {"auto answer", [](TQzCommDevice& d) { d.fSetAutAns(2); }, false},
        {"input queue size", [](TQzCommDevice& d) { d.fSetInBufSize(4096); }, false},
        {"output queue size", [](TQzCommDevice& d) { d.fSetOutBufSize(4096); }, false},
        {"package interval", [](TQzCommDevice& d) { d.fSetPkgInterval(100); }, false},
        {"queue size", [](TQzCommDevice& d) { d.fSetQSize(8); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        device.fSetActive(true);
        ASSERT_TRUE(device.fGetActive());
        c.change(device);
        EXPECT_EQ(device.Engine().Active.load(), !c.closes);
        device.fSetActive(false);
        device.fSetByteSize(8);
        device.fSetParity(TParity::ptNoParity);
        device.fSetStopBits(TStopBits::sbOneStopBit);
    }
}

TEST_F(Component, PortNumberChoosesTheDeviceOfTheNextOpen)
{
    device.fSetActive(true);
    Pty other;
    ports.publish(5, other);
    device.fSetPort(5);
    EXPECT_FALSE(device.fGetActive());
    EXPECT_EQ(device.fGetPort(), 5);
    EXPECT_EQ(device.Engine().PortName, TComm32::FormatPortName(5));

    device.fSetActive(true);
    const Bytes frame = {0x55, 0xAA, 0x02, 0x26, 0x00, 0x28};
    EXPECT_EQ(device.WritePackage(frame.data(), frame.size()), 6);
    EXPECT_EQ(other.read(frame.size()), frame);
}

TEST_F(Component, StoredValuesAreLimited)
{
    struct Case {
        int given;
        int stored;
    };
    for (const Case c : {Case{300, 255}, Case{-1, 0}, Case{8, 8}, Case{0, 0}, Case{255, 255}}) {
        device.fSetByteSize(c.given);
        EXPECT_EQ(device.fGetByteSize(), c.stored) << c.given;
        device.fSetAutAns(c.given);
        EXPECT_EQ(device.fGetAutAns(), c.stored) << c.given;
    }
    device.fSetParity(static_cast<TParity>(9));
    EXPECT_EQ(device.Engine().DCB.Parity, HalvikComm32::NOPARITY);
    device.fSetStopBits(static_cast<TStopBits>(7));
    EXPECT_EQ(device.Engine().DCB.StopBits, HalvikComm32::ONESTOPBIT);
    device.fSetQSize(-3);
    EXPECT_EQ(device.fGetQSize(), 0);
}

TEST_F(Component, FlowControlReadsBackThroughTheEngine)
{
    struct Case {
        TFlowControl set;
        TFlowControl readBack;
    };
    const Case cases[] = {
        {TFlowControl::fcNone, TFlowControl::fcNone},
        {TFlowControl::fcRtsCts, TFlowControl::fcRtsCts},
        {TFlowControl::fcXonXoff, TFlowControl::fcXonXoff},
        {TFlowControl::fcTranXonXoff, TFlowControl::fcXonXoff},
        {TFlowControl::fcRtsCtsXonXoff, TFlowControl::fcRtsCtsXonXoff},
    };
    for (const Case& c : cases) {
        device.fSetFlCtrl(c.set);
        EXPECT_EQ(device.fGetFlCtrl(), c.readBack) << static_cast<int>(c.set);
    }
}

TEST_F(Component, BaudRateReadsBackFromTheLineSettings)
{
    struct Case {
        std::uint32_t bitsPerSecond;
        TBaudRate rate;
    };
    for (const Case c : {Case{4800, TBaudRate::br4800}, Case{110, TBaudRate::br110},
                         Case{256000, TBaudRate::br256000}, Case{12345, TBaudRate::br115200},
                         Case{0, TBaudRate::br115200}}) {
        device.Engine().DCB.BaudRate = c.bitsPerSecond;
        EXPECT_EQ(device.fGetBaud(), c.rate) << c.bitsPerSecond;
    }
    device.fSetBaud(static_cast<TBaudRate>(15));
    EXPECT_EQ(device.Engine().DCB.BaudRate, 115200U);
    device.fSetBaud(TBaudRate::br56000);
    EXPECT_EQ(device.Engine().DCB.BaudRate, 56000U);
}

TEST_F(Component, UsePackageSwitchedWhileOpenKeepsThePortOpen)
{
    device.fSetActive(true);
    device.fSetUsePackage(false);
    EXPECT_TRUE(device.fGetActive());
    EXPECT_TRUE(device.Engine().Active);
    EXPECT_FALSE(device.PackageLayer().fGetActive());

    // Raw bytes both ways while the layer is off.
    const Bytes raw = {0xEB, 0x01, 0xEE};
    EXPECT_EQ(device.Write(raw.data(), 3), 3);
    EXPECT_EQ(pty.read(3), raw);
    pty.write({7, 8, 9});
    Bytes got;
    ASSERT_TRUE(waitFor([&] {
        char buf[16];
        const long n = device.Read(buf, sizeof buf);
        got.insert(got.end(), buf, buf + n);
        return got.size() >= 3;
    }));
    EXPECT_EQ(got, (Bytes{7, 8, 9}));
    EXPECT_EQ(packageCalls.size(), 0U) << "OnPackage stays quiet with the layer off";

    device.fSetUsePackage(true);
    EXPECT_TRUE(device.fGetActive());
    EXPECT_TRUE(device.PackageLayer().fGetActive());
    pty.write({4, 5});
    ASSERT_TRUE(waitFor([&] { return packagesRead() == 1; }));
    EXPECT_EQ(packageCalls.back().data, (Bytes{4, 5}));
}

TEST_F(Component, ActiveFollowsEngineAndLayer)
{
    device.fSetActive(true);
    EXPECT_TRUE(device.Engine().Active);
    EXPECT_TRUE(device.PackageLayer().fGetActive());
    device.fSetActive(false);
    EXPECT_FALSE(device.Engine().Active);
    EXPECT_FALSE(device.PackageLayer().fGetActive());

    device.fSetUsePackage(false);
    device.fSetActive(true);
    EXPECT_TRUE(device.fGetActive());
    EXPECT_FALSE(device.PackageLayer().fGetActive());
}

TEST_F(Component, FailedOpenPassesTheErrorAndLeavesTheLayerOff)
{
    device.Engine().PortName = "/nonexistent/varnel-tty";
    try {
        device.fSetActive(true);
        FAIL() << "opened a missing device";
    } catch (const EComm32Error& e) {
        EXPECT_EQ(e.ErrorCode, EComm32Error::ecOpenPort);
    }
    EXPECT_FALSE(device.fGetActive());
    EXPECT_FALSE(device.PackageLayer().fGetActive());
}

TEST_F(Component, OpenAndCloseHandlersRunInsideTheSetter)
{
    std::vector<std::string> order;
    device.AfterOpen = [&](TObject* sender) {
        EXPECT_EQ(sender, &device);
        order.push_back("after open");
    };
    device.BeforeClose = [&](TObject* sender) {
        EXPECT_EQ(sender, &device);
        order.push_back("before close");
    };
    device.fSetActive(true);
    EXPECT_EQ(order, (std::vector<std::string>{"after open"}));
    device.fSetActive(false);
    EXPECT_EQ(order, (std::vector<std::string>{"after open", "before close"}));

    // The modem-line notifications of open and close arrive by post.
    EXPECT_TRUE(commCalls.empty());
    ASSERT_TRUE(waitFor([&] { return commCalls.size() >= 2; }));
    EXPECT_EQ(commCalls[0], EV_MODEMLINES);
    EXPECT_EQ(commCalls[1], EV_MODEMLINES);
}

TEST_F(Component, PackageWaitingIsReportedWithoutTakingIt)
{
    device.OnPackage = nullptr;
    device.fSetActive(true);
    Bytes buf(8);
    EXPECT_FALSE(device.ReadPackage(buf.data()));
    pty.write({1, 2, 3});
    ASSERT_TRUE(waitFor([&] { return device.PackageLayer().ReadQueueCount() == 1; }));
    EXPECT_TRUE(device.ReadPackage(buf.data()));
    EXPECT_TRUE(device.ReadPackage(buf.data())) << "still queued";
    EXPECT_EQ(device.ReadPackage(buf.data(), buf.size()), 3);
    EXPECT_FALSE(device.ReadPackage(buf.data()));
    EXPECT_FALSE(device.WritePackage(buf.data())) << "whole records only for the compatible type";
}

// Besides packages, OnPackage carries the engine bits the layer passes on;
// a handler that reads on every call then gets nothing.
TEST_F(Component, OnPackageAlsoCarriesOtherEngineBits)
{
    device.fSetActive(true);
    pty.write({0x00});
    ASSERT_TRUE(waitFor([&] { return packagesRead() == 1; }));
    ASSERT_GE(packageCalls.size(), 2U);
    EXPECT_EQ(packageCalls[0].type, EV_RXFLAG) << "the event character comes first";
    EXPECT_EQ(packageCalls[0].read, 0);
    EXPECT_EQ(packageCalls.back().type, EV_RXCHAR);
    EXPECT_EQ(packageCalls.back().data, Bytes{0x00});

    const Bytes frame = {1, 2, 3};
    device.WritePackage(frame.data(), frame.size());
    ASSERT_EQ(pty.read(3), frame);
    ASSERT_TRUE(waitFor([&] { return anyPackageCall(EV_TXEMPTY); }));

    packageCalls.clear();
    device.fSetActive(false);
    // The close, seen while the layer was still on.
    ASSERT_TRUE(waitFor([&] { return anyPackageCall(EV_MODEMLINES); }));
    for (const Call& c : packageCalls)
        EXPECT_EQ(c.read, 0) << c.type;
}

TEST_F(Component, WithoutSyncEventsHandlersRunOnTheRaisingThread)
{
    device.fSetSyncEvents(false);
    std::mutex mutex;
    std::condition_variable cv;
    std::optional<std::thread::id> raisedOn;
    device.OnPackage = [&](TObject*, int type) {
        if ((type & EV_RXCHAR) == 0)
            return;
        std::lock_guard lock(mutex);
        raisedOn = std::this_thread::get_id();
        cv.notify_all();
    };
    device.fSetActive(true);
    pty.write({1});
    std::unique_lock lock(mutex);
    ASSERT_TRUE(cv.wait_for(lock, kPatience, [&] { return raisedOn.has_value(); }));
    EXPECT_NE(*raisedOn, std::this_thread::get_id());
    lock.unlock();
    device.fSetActive(false);
    device.OnPackage = nullptr;
}

// With synchronised delivery off, package handlers run on the layer's timer
// thread (and, for the engine's bits, on the reader). A handler that answers
// every package while the owner closes, reopens and resizes in a loop must
// not race the owner: ThreadSanitizer watches this test.
TEST_F(Component, HandlerWritingOnItsThreadWhileTheOwnerClosesAndResizes)
{
    struct Shared {
        std::atomic<int> answered{0};
        // While the owner reconfigures, the handler answers each package
        // many times over, so that it is writing for most of the run.
        std::atomic<int> repeats{20};
    };
    auto shared = std::make_shared<Shared>();
    device.OnCommNotify = nullptr;  // the fixture's log is for one thread
    device.fSetSyncEvents(false);
    device.fSetPkgInterval(2);
    device.OnPackage = [this, shared](TObject*, int) {
        Bytes buf(64);
        const long n = device.ReadPackage(buf.data(), buf.size());
        // Answered in pieces, so that the handler spends its time writing.
        for (int again = shared->repeats; again > 0; --again)
            for (long at = 0; at < n; ++at)
                if (device.WritePackage(buf.data() + at, 1) > 0)
                    ++shared->answered;
    };
    device.fSetActive(true);

    std::atomic<bool> stop{false};
    std::thread line([&] {
        while (!stop) {
            pty.write({1, 2, 3});
            pty.read(4096, 1ms);  // takes the answers; the gap paces the packages
        }
    });
    const auto deadline = varnel::serial_test::SteadyClock::now() + 4 * kPatience;
    for (int round = 0; (round < 2000 || shared->answered < 50) && varnel::serial_test::SteadyClock::now() < deadline;
         ++round) {
        // Mostly resizing under the running handler, now and then a close.
        device.fSetPkgSz(round % 2 == 0 ? 64 : 4096);
        device.fSetQSize(2 + round % 3);
        if (round % 20 == 0) {
            device.fSetActive(false);
            device.fSetActive(true);
        }
        if (round % 40 == 0) {
            device.fSetBaud(round % 80 == 0 ? TBaudRate::br9600 : TBaudRate::br19200);  // closes
            device.fSetActive(true);
        }
    }
    stop = true;
    line.join();
    EXPECT_GE(shared->answered.load(), 50);

    shared->repeats = 1;

    // Settled, with the answers still queued for the line dropped (resizing
    // empties the engine's queue): the handler answers a package whole.
    device.fSetActive(false);
    device.fSetOutBufSize(8192);
    device.fSetQSize(16);
    device.fSetActive(true);
    const Bytes probe = {0x55, 0xAA, 0x02, 0x26, 0x00, 0x28};
    pty.write(probe);
    // An answer the handler had under way may still come first.
    Bytes answers;
    const auto until = varnel::serial_test::SteadyClock::now() + kPatience;
    while ((answers.size() < probe.size() || !std::equal(probe.rbegin(), probe.rend(), answers.rbegin()))
           && varnel::serial_test::SteadyClock::now() < until) {
        const Bytes more = pty.read(1, 10ms);
        answers.insert(answers.end(), more.begin(), more.end());
    }
    ASSERT_GE(answers.size(), probe.size());
    EXPECT_EQ(Bytes(answers.end() - static_cast<long>(probe.size()), answers.end()), probe);
    device.OnPackage = nullptr;
    device.fSetActive(false);
}

TEST_F(Component, SettingsDialogGoesToTheRegisteredDialog)
{
    EXPECT_FALSE(device.SettingsDialog(nullptr, true)) << "no dialog registered";
    TQzCustomCommDevice* shownFor = nullptr;
    bool openAfter = false;
    TQzCustomCommDevice::SetSettingsDialogFunction([&](TQzCustomCommDevice& d, varnel::tk::Control*, bool open) {
        shownFor = &d;
        openAfter = open;
        return true;
    });
    EXPECT_TRUE(device.SettingsDialog(nullptr, true));
    TQzCustomCommDevice::SetSettingsDialogFunction(nullptr);
    EXPECT_EQ(shownFor, &device);
    EXPECT_TRUE(openAfter);
}

class ComponentHeldPosts : public ComponentFixture<HeldPostsBackend> {};

// Each finished package is one notification, so a handler that reads one
// package per call keeps in step even when it runs late.
TEST_F(ComponentHeldPosts, TwoPackagesBeforeTheUiThreadRunsGiveTwoCalls)
{
    device.fSetPkgInterval(50);
    device.fSetActive(true);
    auto& layer = device.PackageLayer();
    pty.write({1, 2});
    ASSERT_TRUE(backend.waitUntil([&] { return layer.ReadQueueCount() == 1; }));
    pty.write({3});
    ASSERT_TRUE(backend.waitUntil([&] { return layer.ReadQueueCount() == 2; }));
    EXPECT_TRUE(packageCalls.empty()) << "nothing delivered before the loop runs";

    backend.runPending();
    ASSERT_EQ(packageCalls.size(), 2U);
    EXPECT_EQ(packageCalls[0].type, EV_RXCHAR);
    EXPECT_EQ(packageCalls[0].data, (Bytes{1, 2}));
    EXPECT_EQ(packageCalls[1].type, EV_RXCHAR);
    EXPECT_EQ(packageCalls[1].data, (Bytes{3}));
}

TEST_F(ComponentHeldPosts, NotificationsPendingAtDestructionAreDropped)
{
    int calls = 0;
    {
        TQzCommDevice doomed{backend};
        ports.publish(3, pty);
        doomed.fSetPort(3);
        doomed.OnCommNotify = [&](TObject*, int) { ++calls; };
        doomed.fSetActive(true);
        doomed.fSetActive(false);
        ASSERT_TRUE(backend.waitForPostCount(2));
    }
    backend.runPending();
    EXPECT_EQ(calls, 0);
}

}  // namespace
