#pragma once

// The about window: product picture, title and version. While it is shown
// the main window is hidden; it comes back when the about window closes.

#include <cstdint>

#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace varnel {

class TAboutBox : public tk::Form {
public:
    static constexpr int ClientWidth = 414;
    static constexpr int ClientHeight = 254;

    TAboutBox();

    tk::GroupBox& GroupBox1;
    tk::Picture& Image1;
    tk::Label& Label1;
    tk::Label& Label2;
    tk::Label& Label3;
    tk::Label& Label4;
    tk::Memo& Memo1;
    tk::Button& Button1;

    void FormCreate(tk::Control& sender);
    void FormClose(tk::Control& sender, tk::CloseAction& action);
    void Button1Click(tk::Control& sender);
    // 0 English, 1 Simplified Chinese.
    void ApplyLanguage(std::uint8_t language);
};

}  // namespace varnel
