#pragma once

// The splash window shown while the main window builds itself. It stays
// opaque for a moment, then fades out and closes itself; it reacts to no
// input.

#include <cstdint>

#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/timer.h"

namespace varnel {

class TStart : public tk::Form {
public:
    static constexpr int ClientWidth = 371;
    static constexpr int ClientHeight = 301;
    static constexpr int OpaqueMilliseconds = 900;
    static constexpr int FadeStepMilliseconds = 5;
    static constexpr std::uint8_t FadeStep = 3;
    static constexpr std::uint8_t CloseOpacity = 10;

    // owner: the window being built behind the splash.
    explicit TStart(tk::Form* owner);

    tk::Picture& Image1;
    tk::Label& Label1;
    tk::Label& Label2;
    // Fade step; runs once Timer2 has handed over.
    tk::Timer& Timer1;
    // The opaque phase.
    tk::Timer& Timer2;

    void Timer1Timer(tk::Control& sender);
    void Timer2Timer(tk::Control& sender);

private:
    bool faded_ = false;
};

}  // namespace varnel
