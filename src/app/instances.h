#pragma once

// Application-wide window instances. Every window class has exactly one
// instance, created at start-up in a fixed order by varnel::app::Application,
// alive until the program ends; windows reach each other through these
// references. They are null outside an Application's lifetime (tests create
// one Application per case).

namespace varnel {

class TMForm;
class TPortForm;
class TModem;
class TModemComPort;
class TLoadingForm;
class TAdjust;
class TAboutBox;

inline TMForm* MForm = nullptr;
inline TPortForm* PortForm = nullptr;
inline TModem* Modem = nullptr;
inline TModemComPort* ModemComPort = nullptr;
inline TLoadingForm* LoadingForm = nullptr;
inline TAdjust* Adjust = nullptr;
inline TAboutBox* AboutBox = nullptr;

}  // namespace varnel
