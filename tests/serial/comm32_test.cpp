#include "serial/comm32.h"

#include <sys/resource.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "engine_test_support.h"

namespace {

using namespace HalvikComm32;
using namespace std::chrono_literals;
using varnel::serial_engine_test::Bytes;
using varnel::serial_engine_test::Clock;
using varnel::serial_engine_test::Eventually;
using varnel::serial_engine_test::EventLog;
using varnel::serial_engine_test::LineReadback;
using varnel::serial_engine_test::Pattern;
using varnel::serial_engine_test::PortDirectory;
using varnel::serial_engine_test::PtyPair;
using varnel::serial_engine_test::ReadLine;
using Entry = EventLog::Entry;

constexpr int kPort = 7;

Bytes AsBytes(const std::string& s) { return Bytes(s.begin(), s.end()); }

long WriteBytes(TComm32& comm, const Bytes& bytes)
{
    return comm.Write(bytes.data(), static_cast<long>(bytes.size()));
}

Bytes ReadAll(TComm32& comm, long max = 1 << 20)
{
    Bytes out(static_cast<std::size_t>(max));
    out.resize(static_cast<std::size_t>(comm.Read(out.data(), max)));
    return out;
}

Bytes TakeOutQueue(TComm32& comm)
{
    Bytes out(16384);
    out.resize(static_cast<std::size_t>(comm.OutQueue->Out(reinterpret_cast<char*>(out.data()), 16384)));
    return out;
}

EComm32Error::TErrorCode OpenError(TComm32& comm)
{
    try {
        comm.Open();
    } catch (const EComm32Error& e) {
        return e.ErrorCode;
    }
    return EComm32Error::ecNone;
}

double ProcessCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// An engine on a pseudo-terminal published as COM7.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Ports.Link(kPort, Pty.SlavePath());
        Aim(Comm, kPort);
        Log.Attach(Comm);
    }
    void TearDown() override
    {
        try {
            Comm.Close();
        } catch (const EComm32Error&) {
        }
    }
    static void Aim(TComm32& comm, int port)
    {
        comm.PortNo = port;
        comm.PortName = TComm32::FormatPortName(port);
    }

    PtyPair Pty;
    PortDirectory Ports;
    EventLog Log;
    TComm32 Comm;
};

// ---- open and close

TEST_F(EngineTest, OpenNotifiesModemLinesThenCallsAfterOpen)
{
    Comm.Open();
    EXPECT_TRUE(Comm.Active);
    EXPECT_GE(Comm.Handle, 0);
    EXPECT_EQ(Log.Entries(), (std::vector<Entry>{{Entry::Notify, EV_MODEMLINES}, {Entry::AfterOpen, 0}}));

    Log.Clear();
    Comm.Open();  // already open: nothing happens
    EXPECT_TRUE(Log.Entries().empty());
}

TEST_F(EngineTest, CloseCallsBeforeCloseFirstAndNotifiesModemLinesLast)
{
    Comm.Open();
    Log.Clear();
    Comm.Close();
    const auto entries = Log.Entries();
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries.front(), (Entry{Entry::BeforeClose, 0}));
    EXPECT_EQ(entries.back(), (Entry{Entry::Notify, EV_MODEMLINES}));
    EXPECT_FALSE(Comm.Active);
    EXPECT_EQ(Comm.Handle, -1);
    EXPECT_EQ(Comm.ModemStatus, 0u);

    Log.Clear();
    Comm.Close();  // already closed: nothing happens
    EXPECT_TRUE(Log.Entries().empty());
}

TEST_F(EngineTest, EngineCanBeOpenedAgainAfterClose)
{
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        Comm.Open();
        Pty.WriteToMaster(AsBytes("ping"));
        ASSERT_TRUE(Eventually([&] { return Comm.InQueue->Count() == 4; }));
        EXPECT_EQ(ReadAll(Comm), AsBytes("ping"));
        Comm.Close();
    }
}

TEST_F(EngineTest, SecondOpenOfTheSamePortFailsWithCannotOpen)
{
    Comm.Open();
    TComm32 second;
    Aim(second, kPort);
    EXPECT_EQ(OpenError(second), EComm32Error::ecOpenPort);
    EXPECT_FALSE(second.Active);
    EXPECT_EQ(second.Handle, -1);

    Comm.Close();
    EXPECT_EQ(OpenError(second), EComm32Error::ecNone);
    EXPECT_TRUE(second.Active);
    // And now the first one is kept out.
    EXPECT_EQ(OpenError(Comm), EComm32Error::ecOpenPort);
}

TEST_F(EngineTest, PortsThatAreNotThereOrNotTtysCannotBeOpened)
{
    Ports.Link(8, "/nonexistent/device");
    const std::string plainFile = Ports.Path() + "/plain";
    std::ofstream(plainFile) << "not a tty";
    Ports.Link(9, plainFile);

    for (int port : {8, 9}) {
        SCOPED_TRACE(port);
        EventLog log;
        TComm32 comm;
        log.Attach(comm);
        Aim(comm, port);
        EXPECT_EQ(OpenError(comm), EComm32Error::ecOpenPort);
        EXPECT_FALSE(comm.Active);
        EXPECT_EQ(comm.Handle, -1);
        EXPECT_TRUE(log.Entries().empty());
    }
    // A device path given directly is opened as it is.
    TComm32 direct;
    direct.PortName = Pty.SlavePath();
    EXPECT_EQ(OpenError(direct), EComm32Error::ecNone);
}

TEST_F(EngineTest, QueueWithoutStorageFailsOpenAndReleasesThePort)
{
    struct Case {
        bool InQueue;
        EComm32Error::TErrorCode Code;
    };
    for (const Case c : {Case{true, EComm32Error::ecInitReadBuffer}, Case{false, EComm32Error::ecInitWriteBuffer}}) {
        SCOPED_TRACE(c.Code);
        TComm32 comm;
        Aim(comm, kPort);
        (c.InQueue ? comm.InQueue : comm.OutQueue)->fSetBufSize(0);
        EXPECT_EQ(OpenError(comm), c.Code);
        EXPECT_FALSE(comm.Active);
    }
    EXPECT_EQ(OpenError(Comm), EComm32Error::ecNone);
}

TEST_F(EngineTest, UnsupportedLineSettingsFailWithCode8AndLeaveTheEngineClosed)
{
    struct Case {
        const char* Name;
        void (*Change)(TDCB&);
    };
    const Case cases[] = {
        {"byte size 4", [](TDCB& d) { d.ByteSize = 4; }},
        {"byte size 9", [](TDCB& d) { d.ByteSize = 9; }},
        {"parity 5", [](TDCB& d) { d.Parity = 5; }},
        {"stop bits 3", [](TDCB& d) { d.StopBits = 3; }},
        {"rate 0", [](TDCB& d) { d.BaudRate = 0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TComm32 comm;
        Aim(comm, kPort);
        c.Change(comm.DCB);
        EXPECT_EQ(OpenError(comm), EComm32Error::ecSetPortParams);
        EXPECT_FALSE(comm.Active);
        EXPECT_EQ(comm.Handle, -1);
    }
    EXPECT_EQ(OpenError(Comm), EComm32Error::ecNone);
}

TEST_F(EngineTest, NegativeDriverBufferSizesFailWithCode6)
{
    Comm.HwInSize = -1;
    EXPECT_EQ(OpenError(Comm), EComm32Error::ecSetBufferSize);
    Comm.HwInSize = 0;
    Comm.HwOutSize = 0;
    EXPECT_EQ(OpenError(Comm), EComm32Error::ecNone);
}

// ---- line settings

TEST_F(EngineTest, EveryRateOfTheRateListReachesTheLine)
{
    for (std::uint32_t rate : {110u, 300u, 600u, 1200u, 2400u, 4800u, 9600u, 14400u, 19200u, 38400u, 56000u,
                               57600u, 115200u, 128000u, 256000u}) {
        SCOPED_TRACE(rate);
        Comm.DCB.BaudRate = rate;
        Comm.Open();
        const LineReadback line = ReadLine(Pty.SlaveFd());
        EXPECT_EQ(line.OutputSpeed, rate);
        EXPECT_EQ(line.InputSpeed, rate);
        Comm.Close();
    }
}

struct FrameCase {
    std::uint8_t ByteSize, Parity, StopBits;
    TComm32::TFlowControl Flow;
    int DataBits;
    bool ParityOn, Odd, Stick, TwoStop, RtsCts, Xon;
};

const FrameCase kFrameCases[] = {
    {8, NOPARITY, ONESTOPBIT, 0, 8, false, false, false, false, false, false},
    {7, EVENPARITY, ONESTOPBIT, 0, 7, true, false, false, false, false, false},
    {7, ODDPARITY, TWOSTOPBITS, 0, 7, true, true, false, true, false, false},
    {8, MARKPARITY, ONESTOPBIT, 0, 8, true, true, true, false, false, false},
    {8, SPACEPARITY, ONESTOPBIT, 0, 8, true, false, true, false, false, false},
    {5, NOPARITY, ONE5STOPBITS, 0, 5, false, false, false, true, false, false},
    {6, NOPARITY, ONESTOPBIT, 3, 6, false, false, false, false, true, false},
    {8, NOPARITY, ONESTOPBIT, 4, 8, false, false, false, false, false, true},
    {8, NOPARITY, ONESTOPBIT, 6, 8, false, false, false, false, true, true},
};

::testing::Message Describe(const FrameCase& c)
{
    return ::testing::Message() << int(c.ByteSize) << "/" << int(c.Parity) << "/" << int(c.StopBits) << "/"
                                << int(c.Flow);
}

void ExpectRaw(const LineReadback& line)
{
    // Bytes pass unchanged in both directions.
    EXPECT_FALSE(line.Canonical);
    EXPECT_FALSE(line.Echo);
    EXPECT_FALSE(line.Signals);
    EXPECT_FALSE(line.OutputProcessing);
    EXPECT_FALSE(line.CrToNl);
    // A received break is neither a 0x00 byte inside a package nor a signal.
    EXPECT_TRUE(line.IgnoreBreak);
    EXPECT_FALSE(line.BreakInterrupt);
}

TEST(LineSettingsTest, ComposedSettingsFollowTheDcb)
{
    for (const FrameCase& c : kFrameCases) {
        SCOPED_TRACE(Describe(c));
        TComm32 comm;
        comm.fSetFCtrl(c.Flow);
        comm.DCB.ByteSize = c.ByteSize;
        comm.DCB.Parity = c.Parity;
        comm.DCB.StopBits = c.StopBits;
        detail::TLineBits bits;
        // Start from a cooked line with everything on.
        bits.IFlag = bits.OFlag = bits.LFlag = bits.CFlag = 0xFFFFFFFFu;
        ASSERT_TRUE(detail::ComposeLineBits(comm.DCB, bits));
        const LineReadback line = varnel::serial_engine_test::DecodeLine(bits);
        EXPECT_EQ(line.DataBits, c.DataBits);
        EXPECT_EQ(line.ParityOn, c.ParityOn);
        EXPECT_EQ(line.ParityOdd, c.Odd);
        EXPECT_EQ(line.StickParity, c.Stick);
        EXPECT_EQ(line.TwoStopBits, c.TwoStop);
        EXPECT_EQ(line.RtsCts, c.RtsCts);
        EXPECT_EQ(line.XonOut, c.Xon);
        EXPECT_EQ(line.XonIn, c.Xon);
        // Parity goes on the line but received parity is not checked (fParity 0).
        EXPECT_FALSE(line.ParityCheck);
        EXPECT_TRUE(line.Receiver);
        EXPECT_TRUE(line.IgnoreModemLines);
        ExpectRaw(line);
    }
}

TEST(LineSettingsTest, RatesOutsideTheKernelTableUseACustomRate)
{
    struct Case {
        std::uint32_t Rate;
        bool Custom;
    };
    for (const Case c : {Case{9600, false}, Case{115200, false}, Case{110, false}, Case{14400, true},
                         Case{56000, true}, Case{128000, true}, Case{256000, true}}) {
        SCOPED_TRACE(c.Rate);
        TDCB dcb;
        dcb.BaudRate = c.Rate;
        detail::TLineBits bits;
        ASSERT_TRUE(detail::ComposeLineBits(dcb, bits));
        const LineReadback line = varnel::serial_engine_test::DecodeLine(bits);
        EXPECT_EQ(line.CustomRate, c.Custom);
        EXPECT_EQ(line.InputSpeed, c.Rate);
        EXPECT_EQ(line.OutputSpeed, c.Rate);
    }
}

TEST(LineSettingsTest, ParityCheckingFollowsFParity)
{
    TDCB dcb;
    dcb.Parity = EVENPARITY;
    dcb.fParity = 1;
    detail::TLineBits bits;
    ASSERT_TRUE(detail::ComposeLineBits(dcb, bits));
    EXPECT_TRUE(varnel::serial_engine_test::DecodeLine(bits).ParityCheck);
}

// A pseudo-terminal forces eight data bits and clears PARENB whatever it is
// given; everything else it keeps, and that is read back here.
TEST_F(EngineTest, FrameFormatAndFlowControlReachTheLine)
{
    for (const FrameCase& c : kFrameCases) {
        SCOPED_TRACE(Describe(c));
        Comm.fSetFCtrl(c.Flow);
        Comm.DCB.ByteSize = c.ByteSize;
        Comm.DCB.Parity = c.Parity;
        Comm.DCB.StopBits = c.StopBits;
        Comm.Open();
        const LineReadback line = ReadLine(Pty.SlaveFd());
        EXPECT_EQ(line.ParityOdd, c.Odd);
        EXPECT_EQ(line.StickParity, c.Stick);
        EXPECT_EQ(line.TwoStopBits, c.TwoStop);
        EXPECT_EQ(line.RtsCts, c.RtsCts);
        EXPECT_EQ(line.XonOut, c.Xon);
        EXPECT_EQ(line.XonIn, c.Xon);
        ExpectRaw(line);
        Comm.Close();
    }
}

TEST_F(EngineTest, XonXoffCharactersReachTheLine)
{
    Comm.fSetFCtrl(4);
    Comm.DCB.XonChar = 0x21;
    Comm.DCB.XoffChar = 0x23;
    Comm.Open();
    const LineReadback line = ReadLine(Pty.SlaveFd());
    EXPECT_EQ(line.StartChar, 0x21);
    EXPECT_EQ(line.StopChar, 0x23);
}

TEST_F(EngineTest, RawLineCarriesControlBytesUnchanged)
{
    Comm.Open();
    const Bytes bytes = {'\r', '\n', 0x03, 0x04, 0x11, 0x13, 0x1A, 0x7F, 0x00, 0xFF};
    Pty.WriteToMaster(bytes);
    ASSERT_TRUE(Eventually([&] { return Comm.InQueue->Count() == static_cast<long>(bytes.size()); }));
    EXPECT_EQ(ReadAll(Comm), bytes);
    ASSERT_EQ(WriteBytes(Comm, bytes), static_cast<long>(bytes.size()));
    EXPECT_EQ(Pty.ReadFromMaster(bytes.size()), bytes);
}

// ---- flow control, DTR and RTS

TEST_F(EngineTest, FlowControlValuesReadBackAndFiveReadsAsFour)
{
    struct Case {
        TComm32::TFlowControl Set, Get;
        std::uint8_t Cts, RtsControl, Xon;
    };
    const Case cases[] = {
        {0, 0, 0, RTS_CONTROL_ENABLE, 0},    {3, 3, 1, RTS_CONTROL_HANDSHAKE, 0},
        {4, 4, 0, RTS_CONTROL_ENABLE, 1},    {5, 4, 0, RTS_CONTROL_ENABLE, 1},
        {6, 6, 1, RTS_CONTROL_HANDSHAKE, 1}, {1, 0, 0, RTS_CONTROL_ENABLE, 0},
        {7, 0, 0, RTS_CONTROL_ENABLE, 0},    {255, 0, 0, RTS_CONTROL_ENABLE, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Set));
        Comm.DCB.fDtrControl = DTR_CONTROL_DISABLE;
        Comm.DCB.fOutxDsrFlow = 1;
        Comm.fSetFCtrl(c.Set);
        EXPECT_EQ(Comm.fGetFCtrl(), c.Get);
        EXPECT_EQ(Comm.DCB.fOutxCtsFlow, c.Cts);
        EXPECT_EQ(Comm.DCB.fRtsControl, c.RtsControl);
        EXPECT_EQ(Comm.DCB.fOutX, c.Xon);
        EXPECT_EQ(Comm.DCB.fInX, c.Xon);
        EXPECT_EQ(Comm.DCB.fDtrControl, DTR_CONTROL_ENABLE);
        EXPECT_EQ(Comm.DCB.fOutxDsrFlow, 0);
    }
}

TEST_F(EngineTest, SettingFlowControlClosesAnOpenPort)
{
    Comm.Open();
    Log.Clear();
    Comm.fSetFCtrl(3);
    EXPECT_FALSE(Comm.Active);
    EXPECT_EQ(Log.Entries().back(), (Entry{Entry::Notify, EV_MODEMLINES}));
    Comm.Open();
    EXPECT_TRUE(ReadLine(Pty.SlaveFd()).RtsCts);
}

TEST_F(EngineTest, DtrReadsFalseWhileClosedAndAStoredLevelAppliesAtOpen)
{
    EXPECT_TRUE(Comm.DTR);
    EXPECT_FALSE(Comm.fGetDTR());
    EXPECT_FALSE(Comm.fGetRTS());

    Comm.fSetDTR(false);
    Comm.fSetRTS(false);
    Comm.Open();
    EXPECT_EQ(Comm.DCB.fDtrControl, DTR_CONTROL_DISABLE);
    EXPECT_EQ(Comm.DCB.fRtsControl, RTS_CONTROL_DISABLE);
    EXPECT_FALSE(Comm.fGetDTR());
    EXPECT_FALSE(Comm.fGetRTS());

    // A pseudo-terminal has no modem lines; setting them is not an error.
    Comm.fSetDTR(true);
    EXPECT_TRUE(Comm.fGetDTR());
    EXPECT_TRUE(Comm.EscapeCommFunction(SETRTS));
    EXPECT_TRUE(Comm.fGetRTS());
    EXPECT_TRUE(Comm.EscapeCommFunction(CLRDTR));
    EXPECT_FALSE(Comm.DTR);
    EXPECT_FALSE(Comm.EscapeCommFunction(77));
}

TEST_F(EngineTest, HandshakeControlsAreNotOverriddenByStoredLevels)
{
    Comm.fSetFCtrl(3);
    Comm.DCB.fDtrControl = DTR_CONTROL_HANDSHAKE;
    Comm.fSetDTR(false);
    Comm.fSetRTS(false);
    Comm.Open();
    EXPECT_EQ(Comm.DCB.fDtrControl, DTR_CONTROL_HANDSHAKE);
    EXPECT_EQ(Comm.DCB.fRtsControl, RTS_CONTROL_HANDSHAKE);
    EXPECT_TRUE(Comm.fGetDTR());
    EXPECT_TRUE(Comm.fGetRTS());
}

TEST(EngineClosedTest, EscapeFunctionsFailWhileClosed)
{
    TComm32 comm;
    for (unsigned long f : {SETRTS, CLRRTS, SETDTR, CLRDTR})
        EXPECT_FALSE(comm.EscapeCommFunction(f));
    EXPECT_TRUE(comm.DTR);
    EXPECT_TRUE(comm.RTS);
}

// ---- writing

TEST(EngineClosedTest, ModemCommandsQueueTheirStrings)
{
    struct Case {
        TComm32::TFlowControl Flow;
        std::uint8_t Rings;
        const char* Expected;
    };
    const Case cases[] = {{4, 0, "ATE0&K4S0=0\r"}, {3, 2, "ATE0&K3S0=2\r"}, {5, 255, "ATE0&K4S0=255\r"},
                          {0, 1, "ATE0&K0S0=1\r"}, {6, 9, "ATE0&K6S0=9\r"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Expected);
        TComm32 comm;
        comm.fSetFCtrl(c.Flow);
        comm.AutoAnswer = c.Rings;
        EXPECT_EQ(comm.InitModem(), static_cast<long>(std::string(c.Expected).size()));
        EXPECT_EQ(TakeOutQueue(comm), AsBytes(c.Expected));
    }
    TComm32 comm;
    EXPECT_EQ(comm.ResetModem(), 4);
    EXPECT_EQ(TakeOutQueue(comm), AsBytes("ATZ\r"));
}

TEST(EngineClosedTest, WriteStoresWhatFitsAndRefusesWhileDisabled)
{
    TComm32 comm;
    const Bytes data = Pattern(9000);
    EXPECT_EQ(WriteBytes(comm, data), 8191);
    EXPECT_EQ(WriteBytes(comm, data), 0);
    EXPECT_EQ(TakeOutQueue(comm), Bytes(data.begin(), data.begin() + 8191));

    comm.DisableWrite = true;
    EXPECT_EQ(WriteBytes(comm, AsBytes("abc")), 0);
    EXPECT_EQ(comm.OutQueue->Count(), 0);
    EXPECT_EQ(comm.Command("AT\r"), 3);  // commands pass all the same
    EXPECT_EQ(comm.Command(nullptr), 0);
    EXPECT_EQ(TakeOutQueue(comm), AsBytes("AT\r"));
}

TEST(EngineClosedTest, ReadWorksWhileClosed)
{
    TComm32 comm;
    char c = 0;
    EXPECT_EQ(comm.Read(&c, 1), 0);
    comm.InQueue->In("xy", 2);
    EXPECT_EQ(comm.Read(&c, 1), 1);
    EXPECT_EQ(c, 'x');
}

TEST_F(EngineTest, WrittenBytesReachTheLineInOrderAndTransmitEmptyFollows)
{
    Comm.Open();
    const Bytes data = Pattern(8000, 5);
    ASSERT_EQ(WriteBytes(Comm, data), 8000);
    EXPECT_EQ(Pty.ReadFromMaster(data.size()), data);
    EXPECT_TRUE(Log.WaitForNotify(EV_TXEMPTY));
    EXPECT_EQ(Comm.OutQueue->Count(), 0);
}

TEST_F(EngineTest, LineWithoutModemLinesIsNotHeldByCtsFlowControl)
{
    // A pseudo-terminal reports no CTS at all; reading that as "CTS off" would
    // stop every transmission after its first chunk.
    Comm.fSetFCtrl(3);
    Comm.Open();
    const Bytes data = Pattern(3000, 8);
    ASSERT_EQ(WriteBytes(Comm, data), 3000);
    EXPECT_EQ(Pty.ReadFromMaster(data.size()), data);
}

TEST_F(EngineTest, LongTransmissionSurvivesAFullDriverBuffer)
{
    // The master reads only after the slave's output buffer has filled up,
    // so the writer has to wait for room more than once.
    Comm.Open();
    const Bytes data = Pattern(60000, 6);
    std::size_t queued = 0;
    Bytes received;
    const auto deadline = Clock::now() + 4 * varnel::serial_engine_test::kPatience;
    while (received.size() < data.size() && Clock::now() < deadline) {
        if (queued < data.size())
            queued += static_cast<std::size_t>(
                Comm.Write(data.data() + queued, static_cast<long>(std::min<std::size_t>(4096, data.size() - queued))));
        const Bytes part = Pty.DrainMaster(20ms);
        received.insert(received.end(), part.begin(), part.end());
    }
    EXPECT_EQ(received, data);
}

TEST_F(EngineTest, BytesWrittenWhileClosedGoOutAfterOpen)
{
    ASSERT_EQ(WriteBytes(Comm, AsBytes("early")), 5);
    Comm.DisableWrite = true;
    EXPECT_EQ(Comm.Command("+cmd"), 4);
    Comm.Open();
    EXPECT_FALSE(Comm.DisableWrite);
    EXPECT_EQ(Pty.ReadFromMaster(9), AsBytes("early+cmd"));
}

TEST_F(EngineTest, PurgeWriteEmptiesTheTransmitQueueOnlyWhileOpen)
{
    WriteBytes(Comm, AsBytes("abc"));
    Comm.PurgeWrite(true);
    EXPECT_EQ(Comm.OutQueue->Count(), 3);
    Comm.OutQueue->Clear();
    Comm.Open();
    Comm.PurgeWrite(false);
    EXPECT_EQ(Comm.OutQueue->Count(), 0);
}

// ---- receiving

TEST_F(EngineTest, ReceivedBytesAreQueuedAndAnnounced)
{
    Comm.Open();
    Pty.WriteToMaster(AsBytes("hello"));
    ASSERT_TRUE(Log.WaitForNotify(EV_RXCHAR));
    ASSERT_TRUE(Eventually([&] { return Comm.InQueue->Count() == 5; }));
    EXPECT_EQ(ReadAll(Comm), AsBytes("hello"));
    EXPECT_EQ(Log.NotifiedBits() & EV_RXFLAG, 0);
    EXPECT_EQ(ReadAll(Comm), Bytes{});
}

TEST_F(EngineTest, EventCharacterRaisesRxFlag)
{
    struct Case {
        char EvtChar;
        Bytes Sent;
        bool Flag;
    };
    const Case cases[] = {
        {0, {'a', 0x00, 'b'}, true},
        {0, {'a', 'b'}, false},
        {'\n', AsBytes("line\n"), true},
        {'\n', {0x00}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.EvtChar));
        Comm.DCB.EvtChar = c.EvtChar;
        Comm.Open();
        Log.Clear();
        Pty.WriteToMaster(c.Sent);
        ASSERT_TRUE(Eventually([&] { return Comm.InQueue->Count() == static_cast<long>(c.Sent.size()); }));
        ASSERT_TRUE(Log.WaitForNotify(EV_RXCHAR));
        EXPECT_EQ((Log.NotifiedBits() & EV_RXFLAG) != 0, c.Flag);
        EXPECT_EQ(ReadAll(Comm), c.Sent);
        Comm.Close();
    }
}

TEST_F(EngineTest, BytesBeyondTheReceiveQueueAreLostAndTheFirst8191Kept)
{
    Comm.Open();
    const Bytes data = Pattern(10000, 11);
    Pty.WriteToMaster(data);
    ASSERT_TRUE(Eventually([&] { return Pty.SlaveInputPending() == 0 && Comm.InQueue->Count() == 8191; }));
    // Stored in order until full; what came later was dropped.
    EXPECT_EQ(ReadAll(Comm), Bytes(data.begin(), data.begin() + 8191));
}

TEST_F(EngineTest, BytesThatCameWhileClosedDoNotReachTheNextOpen)
{
    Comm.Open();
    Pty.WriteToMaster(AsBytes("kept"));
    ASSERT_TRUE(Eventually([&] { return Comm.InQueue->Count() == 4; }));
    Comm.Close();
    // A late reply while the port is closed waits in the line's own buffer.
    Pty.WriteToMaster(AsBytes("stale"));
    ASSERT_TRUE(Eventually([&] { return Pty.SlaveInputPending() == 5; }));

    Comm.Open();
    Pty.WriteToMaster(AsBytes("fresh"));
    ASSERT_TRUE(Eventually([&] { return Comm.InQueue->Count() >= 9; }));
    // The engine's own queue starts as it was; only the line's buffer went.
    EXPECT_EQ(ReadAll(Comm), AsBytes("keptfresh"));
}

TEST_F(EngineTest, PurgeReadEmptiesTheReceiveQueueOnlyWhileOpen)
{
    Comm.Open();
    Pty.WriteToMaster(AsBytes("stale"));
    ASSERT_TRUE(Eventually([&] { return Comm.InQueue->Count() == 5; }));
    Comm.PurgeRead(false);
    EXPECT_EQ(Comm.InQueue->Count(), 0);

    Pty.WriteToMaster(AsBytes("kept"));
    ASSERT_TRUE(Eventually([&] { return Comm.InQueue->Count() == 4; }));
    Comm.Close();
    Comm.PurgeRead(true);  // closed: nothing happens, the bytes stay readable
    EXPECT_EQ(ReadAll(Comm), AsBytes("kept"));
}

TEST_F(EngineTest, StreamsInBothDirectionsAtOnceArriveIntact)
{
    Comm.Open();
    const Bytes toEngine = Pattern(200000, 21);
    const Bytes fromEngine = Pattern(200000, 22);
    Bytes gotByEngine;
    std::atomic<std::size_t> engineReceived{0};
    std::thread consumer([&] {
        const auto deadline = Clock::now() + 6 * varnel::serial_engine_test::kPatience;
        Bytes buf(4096);
        while (gotByEngine.size() < toEngine.size() && Clock::now() < deadline) {
            const long n = Comm.Read(buf.data(), 4096);
            if (n == 0)
                std::this_thread::sleep_for(1ms);
            gotByEngine.insert(gotByEngine.end(), buf.begin(), buf.begin() + n);
            engineReceived.store(gotByEngine.size());
        }
    });
    std::thread producer([&] {
        std::size_t queued = 0;
        const auto deadline = Clock::now() + 6 * varnel::serial_engine_test::kPatience;
        while (queued < fromEngine.size() && Clock::now() < deadline) {
            const long n = Comm.Write(fromEngine.data() + queued,
                                      static_cast<long>(std::min<std::size_t>(1000, fromEngine.size() - queued)));
            if (n == 0)
                std::this_thread::sleep_for(1ms);
            queued += static_cast<std::size_t>(n);
        }
    });
    // The master feeds the engine in steps the consumer keeps up with (the
    // receive queue drops what does not fit) and collects what comes back.
    Bytes gotByMaster;
    for (std::size_t sent = 0; sent < toEngine.size();) {
        const std::size_t step = std::min<std::size_t>(4000, toEngine.size() - sent);
        Pty.WriteToMaster(Bytes(toEngine.begin() + static_cast<long>(sent), toEngine.begin() + static_cast<long>(sent + step)));
        sent += step;
        ASSERT_TRUE(Eventually([&] {
            const Bytes part = Pty.DrainMaster(0ms);
            gotByMaster.insert(gotByMaster.end(), part.begin(), part.end());
            return engineReceived.load() == sent;
        }));
    }
    while (gotByMaster.size() < fromEngine.size()) {
        const Bytes part = Pty.ReadFromMaster(fromEngine.size() - gotByMaster.size());
        if (part.empty())
            break;
        gotByMaster.insert(gotByMaster.end(), part.begin(), part.end());
    }
    producer.join();
    consumer.join();
    ASSERT_EQ(gotByEngine.size(), toEngine.size());
    ASSERT_EQ(gotByMaster.size(), fromEngine.size());
    EXPECT_TRUE(gotByEngine == toEngine);
    EXPECT_TRUE(gotByMaster == fromEngine);
}

TEST_F(EngineTest, QueuesCanBeResizedUnderRunningThreads)
{
    Comm.Open();
    std::atomic<bool> stop{false};
    std::thread feeder([&] {
        const Bytes chunk = Pattern(512, 31);
        // Paced, so that little is still under way when it stops.
        while (!stop.load()) {
            Pty.WriteToMaster(chunk);
            Pty.DrainMaster(0ms);
            std::this_thread::sleep_for(1ms);
        }
    });
    std::thread writer([&] {
        const Bytes chunk = Pattern(300, 32);
        while (!stop.load()) {
            WriteBytes(Comm, chunk);
            std::this_thread::sleep_for(1ms);
        }
    });
    Bytes buf(1000);
    for (int i = 0; i < 300; ++i) {
        Comm.InQueue->fSetBufSize(64 + (i % 5) * 1000);
        Comm.OutQueue->fSetBufSize(64 + (i % 3) * 700);
        Comm.Read(buf.data(), 1000);
        if (i % 10 == 0)
            std::this_thread::sleep_for(1ms);
    }
    stop.store(true);
    feeder.join();
    writer.join();

    // Settled again: the line and the queues carry bytes intact.
    Comm.InQueue->fSetBufSize(8192);
    Comm.OutQueue->fSetBufSize(8192);
    // Bytes of the feeder may still be on their way; the marker comes last.
    const Bytes marker = AsBytes("after");
    Pty.WriteToMaster(marker);
    Bytes received;
    ASSERT_TRUE(Eventually([&] {
        const Bytes part = ReadAll(Comm);
        received.insert(received.end(), part.begin(), part.end());
        return received.size() >= marker.size() && std::equal(marker.rbegin(), marker.rend(), received.rbegin());
    }));
    Pty.DrainMaster(50ms);
    WriteBytes(Comm, AsBytes("back"));
    EXPECT_EQ(Pty.ReadFromMaster(4), AsBytes("back"));
}

// ---- handlers

TEST_F(EngineTest, ExceptionsFromHandlersAreDropped)
{
    std::atomic<int> calls{0};
    Comm.OnCommNotify = [&](TObject*, int) {
        ++calls;
        throw std::runtime_error("handler failed");
    };
    Comm.AfterOpen = [](TObject*) { throw 42; };
    Comm.BeforeClose = [](TObject*) { throw std::runtime_error("no"); };
    Comm.Open();
    Pty.WriteToMaster(AsBytes("one"));
    ASSERT_TRUE(Eventually([&] { return Comm.InQueue->Count() == 3; }));
    Pty.WriteToMaster(AsBytes("two"));
    ASSERT_TRUE(Eventually([&] { return Comm.InQueue->Count() == 6; }));
    EXPECT_GE(calls.load(), 2);
    EXPECT_NO_THROW(Comm.Close());
}

TEST_F(EngineTest, HandlersReceiveTheEngineAsSender)
{
    std::atomic<TObject*> sender{nullptr};
    Comm.OnCommNotify = [&](TObject* s, int) { sender = s; };
    Comm.Open();
    EXPECT_EQ(sender.load(), &Comm);
    Comm.Close();  // before the handler's variable goes
}

TEST_F(EngineTest, CloseFromAHandlerOnTheReaderIsRefusedInsteadOfDeadlocking)
{
    std::atomic<int> refusedWith{-1};
    Comm.OnCommNotify = [&](TObject*, int type) {
        if ((type & EV_RXCHAR) == 0)
            return;
        try {
            Comm.Close();
        } catch (const EComm32Error& e) {
            refusedWith = e.ErrorCode;
        }
    };
    Comm.Open();
    Pty.WriteToMaster(AsBytes("x"));
    ASSERT_TRUE(Eventually([&] { return refusedWith.load() >= 0; }));
    EXPECT_EQ(refusedWith.load(), EComm32Error::ecCloseReadThread);
    EXPECT_TRUE(Comm.Active);
    Comm.OnCommNotify = nullptr;
    Comm.Close();
    EXPECT_FALSE(Comm.Active);
}

// ---- the port going away

TEST_F(EngineTest, ClosedMasterGivesTheClosedNotificationWithoutSpinning)
{
    Comm.Open();
    Log.Clear();
    Pty.CloseMaster();
    ASSERT_TRUE(Log.WaitForNotify(EV_MODEMLINES));
    EXPECT_TRUE(Comm.fGetPortLost());
    EXPECT_TRUE(Comm.Active);  // the owner decides when to close
    WriteBytes(Comm, AsBytes("into the void"));

    // A hung-up tty reports POLLHUP for ever; the threads must not chase it.
    const double cpuBefore = ProcessCpuSeconds();
    const auto wallBefore = Clock::now();
    std::this_thread::sleep_for(500ms);
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    EXPECT_LT(cpu, 0.5 * wall);
    // The loss is reported once.
    int modemLineReports = 0;
    for (const Entry& e : Log.Entries())
        if (e.What == Entry::Notify && (e.Value & EV_MODEMLINES) != 0)
            ++modemLineReports;
    EXPECT_EQ(modemLineReports, 1);

    const auto closeStart = Clock::now();
    EXPECT_NO_THROW(Comm.Close());
    EXPECT_LT(Clock::now() - closeStart, 2s);
    EXPECT_FALSE(Comm.Active);
    EXPECT_FALSE(Comm.fGetPortLost() && Comm.Active);
}

TEST_F(EngineTest, OpenPortIdlesWithoutSpinning)
{
    Comm.Open();
    const double cpuBefore = ProcessCpuSeconds();
    const auto wallBefore = Clock::now();
    std::this_thread::sleep_for(500ms);
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    EXPECT_LT(cpu, 0.2 * wall);
}

// ---- modem lines, carrier and ring (a stand-in for the line's modem status)

class FakeLineComm : public TComm32 {
public:
    ~FakeLineComm() override
    {
        // The timer calls QueryModemStatus; stop it before this part goes.
        try {
            Close();
        } catch (const EComm32Error&) {
        }
    }
    std::atomic<std::uint32_t> Lines{0};
    std::atomic<bool> Readable{true};

protected:
    bool QueryModemStatus(std::uint32_t& status) override
    {
        if (!Readable)
            return false;
        status = Lines;
        return true;
    }
};

class ModemLineTest : public ::testing::Test {
protected:
    void SetUp() override { Log.Attach(Comm); }
    int Tick()
    {
        Log.Clear();
        Comm.fmsgCommTimer();
        return Log.NotifiedBits();
    }
    EventLog Log;
    FakeLineComm Comm;
};

TEST_F(ModemLineTest, RingIsReportedFromTheSixteenthTickAndThenEverySixteen)
{
    Comm.Lines = MS_RING_ON;
    for (int tick = 1; tick <= 15; ++tick) {
        SCOPED_TRACE(tick);
        EXPECT_EQ(Tick(), 0);
    }
    EXPECT_EQ(Tick(), EV_RING);
    EXPECT_EQ(Comm.TickCount, 0u);
    for (int tick = 1; tick <= 15; ++tick)
        EXPECT_EQ(Tick(), 0);
    EXPECT_EQ(Tick(), EV_RING);
}

TEST_F(ModemLineTest, NoRingWhileCarrierIsOnAndCarrierChangesRestartTheCount)
{
    Comm.Lines = MS_RING_ON | MS_RLSD_ON;
    EXPECT_EQ(Tick(), EV_RLSD);
    EXPECT_EQ(Comm.ModemStatus & MS_RLSD_ON, MS_RLSD_ON);
    for (int tick = 0; tick < 40; ++tick)
        EXPECT_EQ(Tick() & EV_RING, 0);

    // Carrier drops: reported, and the ring waits sixteen ticks again.
    Comm.Lines = MS_RING_ON;
    EXPECT_EQ(Tick(), EV_RLSD);
    EXPECT_EQ(Comm.TickCount, 1u);
    for (int tick = 2; tick <= 15; ++tick)
        EXPECT_EQ(Tick(), 0);
    EXPECT_EQ(Tick(), EV_RING);
}

TEST_F(ModemLineTest, LineChangesAreReportedWithTheirBits)
{
    struct Case {
        std::uint32_t Lines;
        int Bits;
    };
    const Case cases[] = {
        {MS_CTS_ON, EV_CTS},
        {MS_CTS_ON | MS_DSR_ON, EV_DSR},
        {MS_DSR_ON | MS_RLSD_ON, EV_CTS | EV_RLSD},
        {0, EV_DSR | EV_RLSD},
        {0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Lines);
        Comm.Lines = c.Lines;
        EXPECT_EQ(Tick() & ~EV_RING, c.Bits);
        EXPECT_EQ(Comm.ModemStatus & (MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON), c.Lines);
    }
}

TEST_F(ModemLineTest, UnreadableStatusMakesTheTickDoNothing)
{
    Comm.Readable = false;
    Comm.Lines = MS_RING_ON | MS_CTS_ON;
    for (int tick = 0; tick < 40; ++tick)
        EXPECT_EQ(Tick(), 0);
    EXPECT_EQ(Comm.TickCount, 0u);
    EXPECT_EQ(Comm.ModemStatus, 0u);
}

// The timer thread itself, on a pseudo-terminal with stand-in modem lines.
class EngineModemTest : public EngineTest {
protected:
    void SetUp() override
    {
        Ports.Link(kPort, Pty.SlavePath());
        Aim(Line, kPort);
        LineLog.Attach(Line);
        Line.TimerPeriod = 10;
    }
    void TearDown() override { Line.Close(); }
    EventLog LineLog;
    FakeLineComm Line;
};

TEST_F(EngineModemTest, TimerThreadReportsCarrierChanges)
{
    Line.Open();
    Line.Lines = MS_RLSD_ON;
    EXPECT_TRUE(LineLog.WaitForNotify(EV_RLSD));
    EXPECT_TRUE(Eventually([&] { return (Line.ModemStatus & MS_RLSD_ON) != 0; }));
}

TEST_F(EngineModemTest, CtsOffHoldsTheWriterUnderCtsFlowControlUntilCtsReturns)
{
    Line.fSetFCtrl(3);
    Line.Lines = 0;  // CTS off
    Line.Open();
    const Bytes data = Pattern(1000, 41);
    ASSERT_EQ(WriteBytes(Line, data), 1000);
    // The write itself hands over one chunk; the rest waits for CTS.
    EXPECT_EQ(Pty.ReadFromMaster(256), Bytes(data.begin(), data.begin() + 256));
    EXPECT_TRUE(Pty.DrainMaster(300ms).empty());
    Line.Lines = MS_CTS_ON;
    EXPECT_EQ(Pty.ReadFromMaster(744), Bytes(data.begin() + 256, data.end()));
    EXPECT_TRUE(LineLog.WaitForNotify(EV_CTS));
}

}  // namespace
