#include "toolkit/control.h"

#include <charconv>
#include <limits>

#include "toolkit/application.h"
#include "toolkit/form.h"

namespace varnel::tk {

Control::Control(std::string name, Rect bounds) : name_(std::move(name)), bounds_(bounds) {}

Control::~Control()
{
    // Children go first so the observer sees leaves before their parents.
    while (!children_.empty()) children_.pop_back();
    if (Form* f = form(); f != nullptr && f != static_cast<Control*>(this)) {
        f->forgetFocus(*this);
    }
    if (Observer* o = observer()) o->destroying(*this);
}

Form* Control::form() const noexcept
{
    const Control* node = this;
    while (node->parent_ != nullptr) node = node->parent_;
    return node->isForm_ ? static_cast<Form*>(const_cast<Control*>(node)) : nullptr;
}

Control::Observer* Control::observer() const noexcept
{
    const Form* f = form();
    return f != nullptr ? f->observer() : nullptr;
}

void Control::adopt(std::unique_ptr<Control> child)
{
    child->parent_ = this;
    Control& ref = *child;
    children_.push_back(std::move(child));
    if (Observer* o = observer()) o->childAdded(*this, ref);
}

Control* Control::findChild(std::string_view name) const noexcept
{
    for (const auto& c : children_) {
        if (c->name_ == name) return c.get();
        if (Control* found = c->findChild(name)) return found;
    }
    return nullptr;
}

void Control::notify(Property property)
{
    if (Observer* o = observer()) o->changed(*this, property);
}

void Control::setBounds(Rect bounds)
{
    if (bounds == bounds_) return;
    bounds_ = bounds;
    notify(Property::Bounds);
}

void Control::setVisible(bool visible)
{
    if (visible == visible_) return;
    visible_ = visible;
    notify(Property::Visible);
}

bool Control::isShowing() const noexcept
{
    for (const Control* node = this; node != nullptr; node = node->parent_) {
        if (!node->visible_) return false;
    }
    return true;
}

void Control::setEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    notify(Property::Enabled);
}

bool Control::isEnabledInTree() const noexcept
{
    for (const Control* node = this; node != nullptr; node = node->parent_) {
        if (!node->enabled_) return false;
    }
    return true;
}

void Control::setCaption(std::string caption)
{
    if (caption == caption_) return;
    caption_ = std::move(caption);
    notify(Property::Caption);
}

void Control::setHint(std::string hint)
{
    if (hint == hint_) return;
    hint_ = std::move(hint);
    notify(Property::Hint);
}

void Control::setFont(Font font)
{
    if (font == font_) return;
    font_ = std::move(font);
    notify(Property::Font);
}

void Control::setColour(std::optional<Colour> colour)
{
    if (colour == colour_) return;
    colour_ = colour;
    notify(Property::Colour);
}

void Control::setFocus()
{
    if (!canFocus()) return;
    if (Form* f = form()) f->moveFocus(this);
}

bool Control::focused() const noexcept
{
    const Form* f = form();
    return f != nullptr && f->activeControl() == this;
}

void Control::clicked()
{
    fire(onClick);
}

void Control::userClick()
{
    if (!acceptsUserInput()) return;
    guarded([this] {
        setFocus();
        clicked();
    });
}

void Control::userDblClick()
{
    if (!acceptsUserInput()) return;
    guarded([this] { fire(onDblClick); });
}

void Control::userFocus()
{
    if (!acceptsUserInput()) return;
    guarded([this] { setFocus(); });
}

std::optional<int> numberAfter(std::string_view name, std::string_view word) noexcept
{
    const std::size_t at = name.find(word);
    if (word.empty() || at == std::string_view::npos) return std::nullopt;
    const std::string_view digits = name.substr(at + word.size());
    if (digits.empty()) return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc{} || end != digits.data() + digits.size() || digits.front() == '-') return std::nullopt;
    return value;
}

}  // namespace varnel::tk
