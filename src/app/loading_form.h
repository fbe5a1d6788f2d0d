#pragma once

// The busy overlay shown while a multi-frame exchange with the radio or the
// modem board runs. Windows show it without modality (show()) and close it
// (close()) when the exchange ends; they disable themselves meanwhile.
//
// A double click on the overlay, outside its picture, cancels: it stops the
// reply timer of the main window (TMForm::CancelTransfer) or else of the
// modem window, and closes the overlay.

#include <cstdint>

#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace varnel {

class TLoadingForm : public tk::Form {
public:
    static constexpr int ClientWidth = 336;
    static constexpr int ClientHeight = 127;
    static constexpr std::uint8_t Opacity = 200;
    static constexpr int StripWidth = 190;
    static constexpr int StripHeight = 14;
    static constexpr int StripFrameCount = 4;
    static constexpr int StripFrameMilliseconds = 120;

    TLoadingForm();

    // The moving strip; it does not pass double clicks on to the window.
    tk::Picture& Image1;

    void FormDblClick(tk::Control& sender);
};

}  // namespace varnel
