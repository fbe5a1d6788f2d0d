#pragma once

// A top-level window: the root of a control tree.
//
// A form registers with the current Application when it is constructed (if
// there is one), so the backend can render it; it starts hidden. Window
// classes either derive from Form or hold one.
//
// Closing: close() asks onCloseQuery, then runs onClose with the action
// Hide (Free counts as Hide), which the handler may change; None keeps the
// form open. Closing the application's main form with any other action
// ends the program (Application::terminate). A modal form that closes ends
// its showModal with its modal result (Cancel when none was set).

#include <cstdint>
#include <functional>

#include "toolkit/control.h"

namespace varnel::tk {

class Form : public Control {
public:
    enum class Position {
        Designed,        // at bounds().left/top
        ScreenCentre,    // centred on the desktop
        MainFormCentre,  // centred over the application's main form
        OwnerCentre,     // centred over owner() (the main form when none)
    };
    enum class BorderStyle { Sizeable, Single, Dialog, None };
    struct BorderIcons {
        bool systemMenu = true;
        bool minimise = true;
        bool maximise = true;
        friend bool operator==(const BorderIcons&, const BorderIcons&) = default;
    };

    using CloseHandler = std::function<void(Control& sender, CloseAction& action)>;
    using CloseQueryHandler = std::function<void(Control& sender, bool& canClose)>;

    // bounds: left/top on the desktop, width/height the client size.
    Form(std::string name, Rect bounds);
    ~Form() override;
    Kind kind() const noexcept override { return Kind::Form; }

    // ---- frame ----
    int clientWidth() const noexcept { return width(); }
    int clientHeight() const noexcept { return height(); }
    void setClientSize(int width, int height);

    Position position() const noexcept { return position_; }
    void setPosition(Position position);
    BorderStyle borderStyle() const noexcept { return borderStyle_; }
    void setBorderStyle(BorderStyle style);
    BorderIcons borderIcons() const noexcept { return borderIcons_; }
    void setBorderIcons(BorderIcons icons);
    Form* owner() const noexcept { return owner_; }
    void setOwner(Form* owner) noexcept { owner_ = owner; }

    // Window transparency: 255 opaque. Only applied while alphaBlend() is on.
    bool alphaBlend() const noexcept { return alphaBlend_; }
    void setAlphaBlend(bool on);
    std::uint8_t alphaBlendValue() const noexcept { return alpha_; }
    void setAlphaBlendValue(std::uint8_t alpha);
    bool stayOnTop() const noexcept { return stayOnTop_; }
    void setStayOnTop(bool onTop);

    // ---- showing ----
    // Runs onCreate (once; later calls do nothing). Window classes call it
    // when their controls are built. Exceptions reach the caller.
    void create();
    bool created() const noexcept { return created_; }

    void setVisible(bool visible) override;
    // Shows without modality (onShow when it was hidden).
    void show();
    // Hides without running the close handlers.
    void hide();
    void bringToFront();
    // Shows the form and runs a nested modal loop (posted entries and timers
    // keep being dispatched) until the form closes or its modal result is
    // set; the form is then hidden. Throws std::logic_error when the form is
    // already shown modally.
    ModalResult showModal();
    bool isModal() const noexcept { return modal_; }
    ModalResult modalResult() const noexcept { return modalResult_; }
    // While modal, a result other than None closes the form (through the
    // close handlers, which may refuse; the result is then reset to None).
    void setModalResult(ModalResult result);

    // Returns true when the form closed.
    bool close();
    // The user closes the frame (close box, Alt+F4): close() under guard.
    void userClose();

    // ---- focus ----
    Control* activeControl() const noexcept { return focused_; }
    // Moves the focus to the next (or previous) focusable, showing and
    // enabled control in tab order (depth-first child order), wrapping.
    void focusNext(bool forward = true);

    // ---- rendering ----
    Observer* observer() const noexcept { return observer_; }
    void setObserver(Observer* observer) noexcept { observer_ = observer; }
    // Incremented whenever the form is brought to front (renderers raise it).
    std::uint64_t raiseCount() const noexcept { return raiseCount_; }

    // ---- events ----
    Handler onCreate;
    Handler onShow;
    Handler onHide;
    CloseHandler onClose;
    CloseQueryHandler onCloseQuery;

private:
    friend class Control;
    void moveFocus(Control* to);
    void forgetFocus(Control& control) noexcept;
    bool runCloseHandlers();

    Position position_ = Position::Designed;
    BorderStyle borderStyle_ = BorderStyle::Sizeable;
    BorderIcons borderIcons_;
    Form* owner_ = nullptr;
    bool alphaBlend_ = false;
    std::uint8_t alpha_ = 255;
    bool stayOnTop_ = false;
    bool created_ = false;
    bool modal_ = false;
    ModalResult modalResult_ = ModalResult::None;
    Control* focused_ = nullptr;
    Observer* observer_ = nullptr;
    std::uint64_t raiseCount_ = 0;
};

}  // namespace varnel::tk
