#include "serial/qzcommdevice.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>

#include "toolkit/application.h"
#include "toolkit/post_target.h"

using HalvikComm32::EComm32Error;
using HalvikComm32::TComm32;
using HalvikComm32::TCommPackage;
using HalvikComm32::TCommQueue;
using HalvikComm32::TObject;

namespace {

constexpr std::array<std::uint32_t, 15> BaudBits = {
    110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000,
};

std::uint8_t limitToByte(long n)
{
    return static_cast<std::uint8_t>(std::clamp(n, 0L, 255L));
}

std::int32_t limitToInt32(long n)
{
    return static_cast<std::int32_t>(std::clamp(n, static_cast<long>(INT32_MIN), static_cast<long>(INT32_MAX)));
}

unsigned long nonNegative(long n)
{
    return n < 0 ? 0UL : static_cast<unsigned long>(n);
}

long toLong(unsigned long n)
{
    return n > static_cast<unsigned long>(LONG_MAX) ? LONG_MAX : static_cast<long>(n);
}

}  // namespace

std::uint32_t BaudRateBits(TBaudRate rate)
{
    const auto index = static_cast<std::size_t>(rate);
    return index < BaudBits.size() ? BaudBits[index] : 115200;
}

TBaudRate BaudRateFromBits(std::uint32_t bitsPerSecond)
{
    const auto* found = std::find(BaudBits.begin(), BaudBits.end(), bitsPerSecond);
    if (found == BaudBits.end())
        return TBaudRate::br115200;
    return static_cast<TBaudRate>(found - BaudBits.begin());
}

// --- construction ---------------------------------------------------------

TQzCustomCommDevice::TQzCustomCommDevice()
{
    NotifyWindow = std::make_unique<varnel::tk::PostTarget>(
        [this](const varnel::tk::PostedMessage& message) { _EvNotifyProc(message); });
    Construct();
}

TQzCustomCommDevice::TQzCustomCommDevice(varnel::tk::Backend& backend)
{
    NotifyWindow = std::make_unique<varnel::tk::PostTarget>(
        backend, [this](const varnel::tk::PostedMessage& message) { _EvNotifyProc(message); });
    Construct();
}

void TQzCustomCommDevice::Construct()
{
    Comm = std::make_unique<TComm32>();
    Comm->OnCommNotify = [this](TObject* sender, int notifyType) { _EvComm(sender, notifyType); };
    Comm->AfterOpen = [this](TObject* sender) { EvAfterOpen(sender); };
    Comm->BeforeClose = [this](TObject* sender) { EvBeforeClose(sender); };
    Package = std::make_unique<TCommPackage>(Comm.get());
    Package->OnPackage = [this](TObject* sender, int notifyType) { _EvPackage(sender, notifyType); };
    FrameSettings = std::make_unique<TQzCommFrameSettings>(Package.get());
}

TQzCustomCommDevice::~TQzCustomCommDevice()
{
    Package->OnPackage = nullptr;
    Package->fSetActive(false);
    Comm->OnCommNotify = nullptr;
    Comm->AfterOpen = nullptr;
    Comm->BeforeClose = nullptr;
    try {
        Comm->Close();
    } catch (const EComm32Error&) {
        // The port is closed all the same.
    }
    FrameSettings.reset();
    Package.reset();
    Comm.reset();
    // Notifications still queued are dropped with the window.
    NotifyWindow.reset();
}

// --- notification paths ---------------------------------------------------

void TQzCustomCommDevice::Post(std::uint32_t message, TObject* sender, int NotifyType)
{
    // Deliveries run on this thread only, and the raising objects are deleted
    // only by the destructor, on this thread, before the window goes.
    NotifyWindow->post(message, reinterpret_cast<std::uintptr_t>(sender), NotifyType);
}

void TQzCustomCommDevice::_EvComm(TObject* sender, int NotifyType)
{
    if (SyncEvents)
        Post(WM_COMMNOTIFY, sender, NotifyType);
    else
        EvCommNotify(sender, NotifyType);
}

void TQzCustomCommDevice::_EvPackage(TObject* sender, int NotifyType)
{
    if (SyncEvents)
        Post(WM_PACKAGENOTIFY, sender, NotifyType);
    else
        EvPackageNotify(sender, NotifyType);
}

void TQzCustomCommDevice::_EvNotifyProc(const varnel::tk::PostedMessage& message)
{
    auto* sender = reinterpret_cast<TObject*>(static_cast<std::uintptr_t>(message.wParam));
    const auto notifyType = static_cast<int>(message.lParam);
    if (message.id == WM_COMMNOTIFY)
        EvCommNotify(sender, notifyType);
    else if (message.id == WM_PACKAGENOTIFY)
        EvPackageNotify(sender, notifyType);
}

void TQzCustomCommDevice::EvCommNotify(TObject*, int NotifyType)
{
    OnCommNotify(this, NotifyType);
}

void TQzCustomCommDevice::EvPackageNotify(TObject*, int NotifyType)
{
    OnPackage(this, NotifyType);
}

void TQzCustomCommDevice::EvAfterOpen(TObject*)
{
    AfterOpen(this);
}

void TQzCustomCommDevice::EvBeforeClose(TObject*)
{
    BeforeClose(this);
}

// --- data -----------------------------------------------------------------

long TQzCustomCommDevice::Read(void* buf, long n)
{
    if (UsePackage)
        return n < 0 ? 0 : Package->ReadPackage(buf, static_cast<unsigned long>(n));
    return Comm->Read(buf, n);
}

long TQzCustomCommDevice::Write(const void* buf, long n)
{
    if (UsePackage)
        return n < 0 ? 0 : Package->WritePackage(buf, static_cast<unsigned long>(n));
    return Comm->Write(buf, n);
}

long TQzCustomCommDevice::Command(const char* s)
{
    return Comm->Command(s);
}

bool TQzCustomCommDevice::ReadPackage(void* buf)
{
    return Package->ReadPackage(buf, 0) != 0;
}

bool TQzCustomCommDevice::WritePackage(const void* buf)
{
    return Package->WritePackage(buf, 0) != 0;
}

long TQzCustomCommDevice::ReadPackage(void* buf, unsigned long n)
{
    return Package->ReadPackage(buf, n);
}

long TQzCustomCommDevice::WritePackage(const void* buf, unsigned long n)
{
    return Package->WritePackage(buf, n);
}

void TQzCustomCommDevice::PurgeRead(bool abort)
{
    if (UsePackage)
        Package->PurgeRead();
    else
        Comm->PurgeRead(abort);
}

void TQzCustomCommDevice::PurgeWrite(bool abort)
{
    if (UsePackage)
        Package->PurgeWrite();
    else
        Comm->PurgeWrite(abort);
}

namespace {

TQzCustomCommDevice::TSettingsDialogFunction& settingsDialogFunction()
{
    static TQzCustomCommDevice::TSettingsDialogFunction dialog;
    return dialog;
}

}  // namespace

bool TQzCustomCommDevice::SettingsDialog(varnel::tk::Control* owner, bool openAfterOk)
{
    const TSettingsDialogFunction& dialog = settingsDialogFunction();
    return dialog ? dialog(*this, owner, openAfterOk) : false;
}

void TQzCustomCommDevice::SetSettingsDialogFunction(TSettingsDialogFunction dialog)
{
    settingsDialogFunction() = std::move(dialog);
}

long TQzCustomCommDevice::ResetModem()
{
    return Comm->ResetModem();
}

long TQzCustomCommDevice::InitModem()
{
    return Comm->InitModem();
}

bool TQzCustomCommDevice::EscapeCommFunction(unsigned long f)
{
    return Comm->EscapeCommFunction(f);
}

// --- Active ---------------------------------------------------------------

bool TQzCustomCommDevice::fGetActive() const
{
    if (!UsePackage)
        return Comm->Active;
    return Comm->Active && Package->fGetActive();
}

void TQzCustomCommDevice::fSetActive(bool value)
{
    const bool want = UsePackage && value;
    if (value != Comm->Active) {
        if (value)
            Comm->Open();
        else
            Comm->Close();
    }
    if (want != Package->fGetActive())
        Package->fSetActive(want);
}

void TQzCustomCommDevice::ClosePort()
{
    Comm->Close();
}

void TQzCustomCommDevice::fSetUsePackage(bool value)
{
    const bool wasActive = fGetActive();
    UsePackage = value;
    fSetActive(wasActive);
}

// --- line settings --------------------------------------------------------

int TQzCustomCommDevice::fGetPort() const
{
    return Comm->PortNo;
}

void TQzCustomCommDevice::fSetPort(int n)
{
    ClosePort();
    Comm->PortNo = n;
    Comm->PortName = TComm32::FormatPortName(n);
}

TBaudRate TQzCustomCommDevice::fGetBaud() const
{
    return BaudRateFromBits(Comm->DCB.BaudRate);
}

void TQzCustomCommDevice::fSetBaud(TBaudRate rate)
{
    ClosePort();
    Comm->DCB.BaudRate = BaudRateBits(rate);
}

TParity TQzCustomCommDevice::fGetParity() const
{
    const std::uint8_t parity = Comm->DCB.Parity;
    return parity <= HalvikComm32::SPACEPARITY ? static_cast<TParity>(parity) : TParity::ptNoParity;
}

void TQzCustomCommDevice::fSetParity(TParity parity)
{
    ClosePort();
    const auto value = static_cast<std::uint8_t>(parity);
    Comm->DCB.Parity = value <= HalvikComm32::SPACEPARITY ? value : HalvikComm32::NOPARITY;
}

int TQzCustomCommDevice::fGetByteSize() const
{
    return Comm->DCB.ByteSize;
}

void TQzCustomCommDevice::fSetByteSize(int n)
{
    ClosePort();
    Comm->DCB.ByteSize = limitToByte(n);
}

TStopBits TQzCustomCommDevice::fGetStopBits() const
{
    const std::uint8_t stopBits = Comm->DCB.StopBits;
    return stopBits <= HalvikComm32::TWOSTOPBITS ? static_cast<TStopBits>(stopBits) : TStopBits::sbOneStopBit;
}

void TQzCustomCommDevice::fSetStopBits(TStopBits stopBits)
{
    ClosePort();
    const auto value = static_cast<std::uint8_t>(stopBits);
    Comm->DCB.StopBits = value <= HalvikComm32::TWOSTOPBITS ? value : HalvikComm32::ONESTOPBIT;
}

TFlowControl TQzCustomCommDevice::fGetFlCtrl() const
{
    switch (Comm->fGetFCtrl()) {
    case 3:
        return TFlowControl::fcRtsCts;
    case 4:
        return TFlowControl::fcXonXoff;
    case 6:
        return TFlowControl::fcRtsCtsXonXoff;
    default:
        return TFlowControl::fcNone;
    }
}

void TQzCustomCommDevice::fSetFlCtrl(TFlowControl flow)
{
    TComm32::TFlowControl value = 0;
    switch (flow) {
    case TFlowControl::fcNone:
        value = 0;
        break;
    case TFlowControl::fcRtsCts:
        value = 3;
        break;
    case TFlowControl::fcXonXoff:
        value = 4;
        break;
    case TFlowControl::fcTranXonXoff:
        value = 5;
        break;
    case TFlowControl::fcRtsCtsXonXoff:
        value = 6;
        break;
    }
    Comm->fSetFCtrl(value);
}

int TQzCustomCommDevice::fGetAutAns() const
{
    return Comm->AutoAnswer;
}

void TQzCustomCommDevice::fSetAutAns(int n)
{
    Comm->AutoAnswer = limitToByte(n);
}

void TQzCustomCommDevice::fSetSyncEvents(bool value)
{
    SyncEvents = value;
}

long TQzCustomCommDevice::fGetInBufSize() const
{
    return Comm->InQueue->fGetBufSize();
}

void TQzCustomCommDevice::fSetInBufSize(long n)
{
    Comm->InQueue->fSetBufSize(n);
}

long TQzCustomCommDevice::fGetOutBufSize() const
{
    return Comm->OutQueue->fGetBufSize();
}

void TQzCustomCommDevice::fSetOutBufSize(long n)
{
    Comm->OutQueue->fSetBufSize(n);
}

long TQzCustomCommDevice::fGetHwInSize() const
{
    return Comm->HwInSize;
}

void TQzCustomCommDevice::fSetHwInSize(long n)
{
    ClosePort();
    Comm->HwInSize = limitToInt32(n);
}

long TQzCustomCommDevice::fGetHwOutSize() const
{
    return Comm->HwOutSize;
}

void TQzCustomCommDevice::fSetHwOutSize(long n)
{
    ClosePort();
    Comm->HwOutSize = limitToInt32(n);
}

// --- package settings -----------------------------------------------------

long TQzCustomCommDevice::fGetQSize() const
{
    return toLong(Package->fGetQSize());
}

void TQzCustomCommDevice::fSetQSize(long n)
{
    Package->fSetQSize(nonNegative(n));
}

long TQzCustomCommDevice::fGetPkgSz() const
{
    return toLong(Package->fGetPkgSz());
}

void TQzCustomCommDevice::fSetPkgSz(long n)
{
    Package->fSetPkgSz(nonNegative(n));
}

TCommPackageType TQzCustomCommDevice::fGetPkgType() const
{
    return Package->fGetPkgType();
}

void TQzCustomCommDevice::fSetPkgType(TCommPackageType type)
{
    Package->fSetPkgType(type);
}

long TQzCustomCommDevice::fGetPkgInterval() const
{
    return toLong(Package->fGetPkgInterval());
}

void TQzCustomCommDevice::fSetPkgInterval(long ms)
{
    Package->fSetPkgInterval(nonNegative(ms));
}

void TQzCustomCommDevice::fSetFrameSettings(const TQzCommFrameSettings& settings)
{
    Package->fSetFrameHead(settings.fGetFrameHead());
    Package->fSetFrameTail(settings.fGetFrameTail());
    Package->fSetFrameCtrl(settings.fGetFrameCtrl());
}

// --- line state -----------------------------------------------------------

int TQzCustomCommDevice::fGetHandle() const
{
    return Comm->Handle;
}

TCommQueue* TQzCustomCommDevice::fGetInQueue() const
{
    return Comm->InQueue.get();
}

TCommQueue* TQzCustomCommDevice::fGetOutQueue() const
{
    return Comm->OutQueue.get();
}

bool TQzCustomCommDevice::fGetDisableWrite() const
{
    return Comm->DisableWrite;
}

void TQzCustomCommDevice::fSetDisableWrite(bool value)
{
    Comm->DisableWrite = value;
}

bool TQzCustomCommDevice::fGetDTR() const
{
    return Comm->fGetDTR();
}

void TQzCustomCommDevice::fSetDTR(bool on)
{
    Comm->fSetDTR(on);
}

bool TQzCustomCommDevice::fGetRTS() const
{
    return Comm->fGetRTS();
}

void TQzCustomCommDevice::fSetRTS(bool on)
{
    Comm->fSetRTS(on);
}

bool TQzCustomCommDevice::fGetCTS() const
{
    return (Comm->ModemStatus & HalvikComm32::MS_CTS_ON) != 0;
}

bool TQzCustomCommDevice::fGetDSR() const
{
    return (Comm->ModemStatus & HalvikComm32::MS_DSR_ON) != 0;
}

bool TQzCustomCommDevice::fGetRING() const
{
    return (Comm->ModemStatus & HalvikComm32::MS_RING_ON) != 0;
}

bool TQzCustomCommDevice::fGetRLSD() const
{
    return (Comm->ModemStatus & HalvikComm32::MS_RLSD_ON) != 0;
}

std::uint8_t TQzCustomCommDevice::fGetModemStatus() const
{
    std::uint8_t bits = 0;
    if (fGetCTS())
        bits |= 0x01;
    if (fGetDSR())
        bits |= 0x02;
    if (fGetRING())
        bits |= 0x04;
    if (fGetRLSD())
        bits |= 0x08;
    return bits;
}
