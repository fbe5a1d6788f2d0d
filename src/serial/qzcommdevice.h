// The serial device component a form places to talk over a port: one engine,
// one package layer on it and the frame settings, with the port's settings as
// properties and the notifications delivered on the thread that created the
// component (its event loop), one delivery per notification, in order.
//
// Setters of the line settings (port, baud rate, parity, byte size, stop
// bits, flow control, driver buffer sizes) close the port; set Active again
// to reopen it. They pass on the EComm32Error a close may raise. The queue
// and package size setters raise code 1, changing nothing, when the new
// storage cannot be had.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "serial/comm32.h"
#include "serial/comm_object.h"
#include "serial/tcommpkg.h"

namespace varnel::tk {
class Backend;
class Control;
class PostTarget;
struct PostedMessage;
}  // namespace varnel::tk

enum class TBaudRate : std::uint8_t {
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000,
};

enum class TParity : std::uint8_t { ptNoParity, ptOddParity, ptEvenParity, ptMarkParity, ptSpaceParity };

enum class TStopBits : std::uint8_t { sbOneStopBit, sbOne_5_StopBits, sbTwoStopBit };

enum class TFlowControl : std::uint8_t { fcNone, fcRtsCts, fcXonXoff, fcTranXonXoff, fcRtsCtsXonXoff };

using TCommPackageType = HalvikComm32::TCommPackageType;

// Names the forms use for the component's handlers: OnPackage and
// OnCommNotify take (TObject* Sender, TCommNotifyType NotifyType).
using TObject = HalvikComm32::TObject;
using TCommNotifyType = int;

// Bits per second of a rate; 115200 for a value outside the enumeration.
std::uint32_t BaudRateBits(TBaudRate rate);
// The rate for bits per second; br115200 for a number that is none of them.
TBaudRate BaudRateFromBits(std::uint32_t bitsPerSecond);

// The marker bytes of a component's package layer.
class TQzCommFrameSettings {
public:
    explicit TQzCommFrameSettings(HalvikComm32::TCommPackage* package) : Package(package) {}

    std::uint8_t fGetFrameHead() const { return Package->fGetFrameHead(); }
    void fSetFrameHead(std::uint8_t value) { Package->fSetFrameHead(value); }
    std::uint8_t fGetFrameTail() const { return Package->fGetFrameTail(); }
    void fSetFrameTail(std::uint8_t value) { Package->fSetFrameTail(value); }
    std::uint8_t fGetFrameCtrl() const { return Package->fGetFrameCtrl(); }
    void fSetFrameCtrl(std::uint8_t value) { Package->fSetFrameCtrl(value); }
    bool fGetDblFrMark() const { return Package->fGetDblFrameMark(); }
    void fSetDblFrMark(bool value) { Package->fSetDblFrameMark(value); }

private:
    HalvikComm32::TCommPackage* Package;
};

class TQzCustomCommDevice : public HalvikComm32::TObject {
public:
    // Message numbers of the notify window: engine and package notifications.
    static constexpr std::uint32_t WM_COMMNOTIFY = 0x0400 + 2;
    static constexpr std::uint32_t WM_PACKAGENOTIFY = 0x0400 + 3;

    // Delivers through the current toolkit Application's backend
    // (std::logic_error when there is none).
    TQzCustomCommDevice();
    explicit TQzCustomCommDevice(varnel::tk::Backend& backend);
    TQzCustomCommDevice(const TQzCustomCommDevice&) = delete;
    TQzCustomCommDevice& operator=(const TQzCustomCommDevice&) = delete;
    ~TQzCustomCommDevice() override;

    // With UsePackage through the package layer, else straight to the engine.
    virtual long Read(void* buf, long n);
    virtual long Write(const void* buf, long n);
    virtual long Command(const char* s);
    // cptCompatiblePkg: takes / queues a whole record. Other types: ReadPackage
    // only reports that a package is waiting (leaving it queued) and
    // WritePackage is always false.
    virtual bool ReadPackage(void* buf);
    virtual bool WritePackage(const void* buf);
    // Plain data: the oldest package (at most n bytes) / one package to send.
    virtual long ReadPackage(void* buf, unsigned long n);
    virtual long WritePackage(const void* buf, unsigned long n);
    virtual void PurgeRead(bool abort);
    virtual void PurgeWrite(bool abort);
    // The modal settings dialog for this component; with openAfterOk the port
    // is opened after OK even if it was closed. True when closed with OK;
    // false when no dialog is registered.
    virtual bool SettingsDialog(varnel::tk::Control* owner, bool openAfterOk);
    // The dialog lives with the windows and registers itself here (UI thread).
    using TSettingsDialogFunction =
        std::function<bool(TQzCustomCommDevice& device, varnel::tk::Control* owner, bool openAfterOk)>;
    static void SetSettingsDialogFunction(TSettingsDialogFunction dialog);

    virtual long ResetModem();
    virtual long InitModem();
    virtual bool EscapeCommFunction(unsigned long f);

    // Call the user's handlers with this component as Sender.
    virtual void EvCommNotify(HalvikComm32::TObject* sender, int NotifyType);
    virtual void EvPackageNotify(HalvikComm32::TObject* sender, int NotifyType);
    virtual void EvAfterOpen(HalvikComm32::TObject* sender);
    virtual void EvBeforeClose(HalvikComm32::TObject* sender);

    // --- published properties ---
    int fGetPort() const;
    void fSetPort(int n);
    TBaudRate fGetBaud() const;
    void fSetBaud(TBaudRate rate);
    TParity fGetParity() const;
    void fSetParity(TParity parity);
    int fGetByteSize() const;
    void fSetByteSize(int n);
    TStopBits fGetStopBits() const;
    void fSetStopBits(TStopBits stopBits);
    TFlowControl fGetFlCtrl() const;
    void fSetFlCtrl(TFlowControl flow);
    int fGetAutAns() const;
    void fSetAutAns(int n);
    bool fGetSyncEvents() const { return SyncEvents; }
    void fSetSyncEvents(bool value);
    long fGetInBufSize() const;
    void fSetInBufSize(long n);
    long fGetOutBufSize() const;
    void fSetOutBufSize(long n);
    long fGetHwInSize() const;
    void fSetHwInSize(long n);
    long fGetHwOutSize() const;
    void fSetHwOutSize(long n);
    long fGetQSize() const;
    void fSetQSize(long n);
    long fGetPkgSz() const;
    void fSetPkgSz(long n);
    TCommPackageType fGetPkgType() const;
    void fSetPkgType(TCommPackageType type);
    long fGetPkgInterval() const;
    void fSetPkgInterval(long ms);
    bool fGetUsePackage() const { return UsePackage; }
    void fSetUsePackage(bool value);
    TQzCommFrameSettings& fGetFrameSettings() const { return *FrameSettings; }
    // Copies the marker bytes (not DoubleFrameMark).
    void fSetFrameSettings(const TQzCommFrameSettings& settings);

    // --- further properties ---
    bool fGetActive() const;
    // Opens or closes the engine; with UsePackage also (de)activates the
    // package layer, which empties its queues. EComm32Error passes out.
    void fSetActive(bool value);
    int fGetHandle() const;
    HalvikComm32::TCommQueue* fGetInQueue() const;
    HalvikComm32::TCommQueue* fGetOutQueue() const;
    bool fGetDisableWrite() const;
    void fSetDisableWrite(bool value);
    bool fGetDTR() const;
    void fSetDTR(bool on);
    bool fGetRTS() const;
    void fSetRTS(bool on);
    bool fGetCTS() const;
    bool fGetDSR() const;
    bool fGetRING() const;
    bool fGetRLSD() const;
    // Bit 0 CTS, bit 1 DSR, bit 2 RING, bit 3 RLSD.
    std::uint8_t fGetModemStatus() const;

    HalvikComm32::TComm32& Engine() const { return *Comm; }
    HalvikComm32::TCommPackage& PackageLayer() const { return *Package; }

    HalvikComm32::TCommNotifyEvent OnPackage;
    HalvikComm32::TCommNotifyEvent OnCommNotify;
    HalvikComm32::TNotifyEvent AfterOpen;
    HalvikComm32::TNotifyEvent BeforeClose;

private:
    void Construct();
    void _EvComm(HalvikComm32::TObject* sender, int NotifyType);
    void _EvPackage(HalvikComm32::TObject* sender, int NotifyType);
    void _EvNotifyProc(const varnel::tk::PostedMessage& message);
    void Post(std::uint32_t message, HalvikComm32::TObject* sender, int NotifyType);
    void ClosePort();

    std::unique_ptr<varnel::tk::PostTarget> NotifyWindow;
    std::unique_ptr<HalvikComm32::TComm32> Comm;
    std::unique_ptr<HalvikComm32::TCommPackage> Package;
    std::unique_ptr<TQzCommFrameSettings> FrameSettings;
    bool UsePackage = false;
    std::atomic<bool> SyncEvents{true};
};

class TQzCommDevice : public TQzCustomCommDevice {
public:
    using TQzCustomCommDevice::TQzCustomCommDevice;
};
