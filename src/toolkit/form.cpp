#include "toolkit/form.h"

#include <stdexcept>
#include <vector>

#include "toolkit/application.h"

namespace varnel::tk {

namespace {

void collectFocusable(const Control& node, std::vector<Control*>& out)
{
    for (Control& c : node.children()) {
        if (c.canFocus() && c.isShowing() && c.isEnabledInTree()) out.push_back(&c);
        collectFocusable(c, out);
    }
}

}  // namespace

Form::Form(std::string name, Rect bounds) : Control(std::move(name), bounds)
{
    isForm_ = true;
    visible_ = false;
    if (Application* app = Application::current()) app->registerForm(*this);
}

Form::~Form()
{
    // Children report their destruction while the form is still whole.
    while (!children_.empty()) children_.pop_back();
    focused_ = nullptr;
    if (Application* app = Application::current()) app->unregisterForm(*this);
    observer_ = nullptr;
    isForm_ = false;
}

void Form::setClientSize(int width, int height)
{
    Rect b = bounds();
    b.width = width;
    b.height = height;
    setBounds(b);
}

void Form::setPosition(Position position)
{
    if (position == position_) return;
    position_ = position;
    notify(Property::Bounds);
}

void Form::setBorderStyle(BorderStyle style)
{
    if (style == borderStyle_) return;
    borderStyle_ = style;
    notify(Property::Style);
}

void Form::setBorderIcons(BorderIcons icons)
{
    if (icons == borderIcons_) return;
    borderIcons_ = icons;
    notify(Property::Style);
}

void Form::setAlphaBlend(bool on)
{
    if (on == alphaBlend_) return;
    alphaBlend_ = on;
    notify(Property::Alpha);
}

void Form::setAlphaBlendValue(std::uint8_t alpha)
{
    if (alpha == alpha_) return;
    alpha_ = alpha;
    notify(Property::Alpha);
}

void Form::setStayOnTop(bool onTop)
{
    if (onTop == stayOnTop_) return;
    stayOnTop_ = onTop;
    notify(Property::StayOnTop);
}

void Form::create()
{
    if (created_) return;
    created_ = true;
    fire(onCreate);
}

void Form::setVisible(bool visible)
{
    if (visible) {
        show();
    } else {
        hide();
    }
}

void Form::show()
{
    if (visible_) return;
    visible_ = true;
    notify(Property::Visible);
    fire(onShow);
}

void Form::hide()
{
    if (!visible_) return;
    visible_ = false;
    notify(Property::Visible);
    fire(onHide);
}

void Form::bringToFront()
{
    ++raiseCount_;
    notify(Property::Visible);
}

ModalResult Form::showModal()
{
    if (modal_) throw std::logic_error("form '" + name() + "' is already shown modally");
    Application& app = Application::instance();
    modal_ = true;
    modalResult_ = ModalResult::None;
    try {
        show();
        while (visible_ && !app.terminated()) {
            app.backend().runModal(this, [this, &app] {
                return modalResult_ != ModalResult::None || !visible_ || app.terminated();
            });
            if (!visible_ || app.terminated()) break;
            // A modal result was set: close through the handlers, which may
            // keep the form open.
            if (runCloseHandlers()) break;
            modalResult_ = ModalResult::None;
        }
    } catch (...) {
        modal_ = false;
        hide();
        throw;
    }
    modal_ = false;
    hide();
    if (modalResult_ == ModalResult::None) modalResult_ = ModalResult::Cancel;
    return modalResult_;
}

void Form::setModalResult(ModalResult result)
{
    modalResult_ = result;
}

bool Form::runCloseHandlers()
{
    bool canClose = true;
    if (onCloseQuery) {
        CloseQueryHandler query = onCloseQuery;
        query(*this, canClose);
    }
    if (!canClose) return false;
    CloseAction action = CloseAction::Hide;
    if (onClose) {
        CloseHandler handler = onClose;
        handler(*this, action);
    }
    if (action == CloseAction::None) return false;
    hide();
    Application* app = Application::current();
    if (app != nullptr && app->mainForm() == this) app->terminate(0);
    return true;
}

bool Form::close()
{
    const bool closed = runCloseHandlers();
    if (closed && modal_ && modalResult_ == ModalResult::None) modalResult_ = ModalResult::Cancel;
    return closed;
}

void Form::userClose()
{
    guarded([this] { close(); });
}

void Form::focusNext(bool forward)
{
    std::vector<Control*> order;
    collectFocusable(*this, order);
    if (order.empty()) return;
    std::size_t at = order.size();
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (order[i] == focused_) at = i;
    }
    std::size_t next = 0;
    if (at == order.size()) {
        next = forward ? 0 : order.size() - 1;
    } else if (forward) {
        next = (at + 1) % order.size();
    } else {
        next = (at + order.size() - 1) % order.size();
    }
    order[next]->setFocus();
}

void Form::moveFocus(Control* to)
{
    if (to == focused_) return;
    Control* previous = focused_;
    focused_ = to;
    notify(Property::Focus);
    if (previous != nullptr) previous->fire(previous->onExit);
    // onExit may have moved the focus elsewhere.
    if (focused_ != to || to == nullptr) return;
    to->fire(to->onEnter);
}

void Form::forgetFocus(Control& control) noexcept
{
    if (focused_ == &control) focused_ = nullptr;
}

}  // namespace varnel::tk
