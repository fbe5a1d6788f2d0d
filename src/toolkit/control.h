#pragma once

// Base of every control: a named node in a form's tree.
//
// A parent owns its children and keeps them in child order (the order they
// were added), which is also the tab order. Window classes walk that order
// ("every control of GroupBox1 whose name contains Edit") and find controls
// by name. Controls know nothing about the renderer: a backend observes a
// form through Control::Observer, which every change of a visible property
// reports.
//
// All controls belong to the user-interface thread.
//
// Events are plain std::function members named like the events; the window
// classes bind them to their member functions:
//     edit.onChange = [this](tk::Control& s) { CheckValue(s); };
//
// Programmatic calls (setText, setItemIndex, ...) let exceptions thrown by
// handlers reach the caller. The user* members simulate what a user does;
// they are what a renderer calls and what tests call. They ignore controls
// that are hidden or disabled, and an exception escaping a handler they
// started goes to the application's exception box (Application::guard).

#include <concepts>
#include <cstddef>
#include <functional>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "toolkit/types.h"

namespace varnel::tk {

class Form;

enum class Kind {
    Form,
    GroupBox,
    Panel,
    Bevel,
    Label,
    Edit,
    MaskEdit,
    ComboBox,
    CheckBox,
    Button,
    Memo,
    StatusBar,
    StatusPane,
    ClockPane,
    ProgressBar,
    Lamp,
    MainMenu,
    MenuItem,
    ToolBar,
    ToolButton,
    Timer,
    Picture,
};

// What changed, as reported to the observer.
enum class Property {
    Bounds,
    Visible,
    Enabled,
    Caption,
    Text,
    Selection,  // caret / selected range of an edit
    ReadOnly,
    MaxLength,
    Items,
    ItemIndex,
    Checked,
    Lines,
    Position,  // progress bar percentage
    Lit,       // lamp on/off and its colours
    Colour,
    Font,
    Hint,
    Image,  // picture content
    Frame,  // picture animation frame
    Focus,  // reported on the form when the focused control changes
    Alpha,
    StayOnTop,
    Style,  // border style, combo style, mask, alignment, ...
};

class Control {
public:
    using Handler = std::function<void(Control& sender)>;

    // Set on a form by the backend; sees every change in that form's tree.
    class Observer {
    public:
        virtual ~Observer() = default;
        virtual void changed(Control& control, Property property) = 0;
        virtual void childAdded(Control& parent, Control& child) = 0;
        // Called from the control's destructor, children first.
        virtual void destroying(Control& control) = 0;
    };

    // Child order view: iterates as Control&.
    class ChildRange {
    public:
        using Storage = std::vector<std::unique_ptr<Control>>;
        class iterator {
        public:
            using iterator_category = std::forward_iterator_tag;
            using value_type = Control;
            using difference_type = std::ptrdiff_t;
            using pointer = Control*;
            using reference = Control&;
            iterator() = default;
            explicit iterator(Storage::const_iterator it) : it_(it) {}
            Control& operator*() const { return **it_; }
            Control* operator->() const { return it_->get(); }
            iterator& operator++() { ++it_; return *this; }
            iterator operator++(int) { iterator old = *this; ++it_; return old; }
            friend bool operator==(const iterator&, const iterator&) = default;
        private:
            Storage::const_iterator it_{};
        };
        explicit ChildRange(const Storage& storage) : storage_(&storage) {}
        iterator begin() const { return iterator(storage_->begin()); }
        iterator end() const { return iterator(storage_->end()); }
        std::size_t size() const noexcept { return storage_->size(); }
        bool empty() const noexcept { return storage_->empty(); }
        Control& operator[](std::size_t i) const { return *(*storage_)[i]; }
    private:
        const Storage* storage_;
    };

    Control(std::string name, Rect bounds);
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control();

    virtual Kind kind() const noexcept = 0;
    const std::string& name() const noexcept { return name_; }

    // ---- tree ------------------------------------------------------------
    Control* parent() const noexcept { return parent_; }
    // The form this control lives on (itself for a form); null while detached.
    Form* form() const noexcept;
    ChildRange children() const noexcept { return ChildRange(children_); }

    // Creates a child at the end of the child order and returns it:
    //     auto& e = group.add<tk::Edit>("Edit6", {100, 40, 80, 21});
    template <std::derived_from<Control> T, typename... Args>
    T& add(std::string name, Rect bounds = {}, Args&&... args)
    {
        auto owned = std::make_unique<T>(std::move(name), bounds, std::forward<Args>(args)...);
        T& ref = *owned;
        adopt(std::move(owned));
        return ref;
    }

    // Depth-first search in child order, not including this control.
    Control* findChild(std::string_view name) const noexcept;
    template <std::derived_from<Control> T>
    T* findChild(std::string_view name) const noexcept
    {
        return dynamic_cast<T*>(findChild(name));
    }
    // As findChild, but a missing control or one of another type is a
    // programming error: throws std::out_of_range.
    template <std::derived_from<Control> T>
    T& child(std::string_view name) const
    {
        if (T* found = findChild<T>(name)) return *found;
        throw std::out_of_range("no control '" + std::string(name) + "' of that kind under '" + name_ + "'");
    }

    // ---- geometry and state ------------------------------------------------
    const Rect& bounds() const noexcept { return bounds_; }
    void setBounds(Rect bounds);
    int left() const noexcept { return bounds_.left; }
    int top() const noexcept { return bounds_.top; }
    int width() const noexcept { return bounds_.width; }
    int height() const noexcept { return bounds_.height; }

    bool visible() const noexcept { return visible_; }
    // Forms override this: showing a form is show(), hiding it hide().
    virtual void setVisible(bool visible);
    // Visible itself and every parent up to and including the form.
    bool isShowing() const noexcept;

    bool enabled() const noexcept { return enabled_; }
    // Timers override this: enabling starts them.
    virtual void setEnabled(bool enabled);
    // Enabled itself and every parent up to and including the form.
    bool isEnabledInTree() const noexcept;

    // Caption of labels, buttons, group boxes, panes, menu items, forms.
    const std::string& caption() const noexcept { return caption_; }
    void setCaption(std::string caption);

    const std::string& hint() const noexcept { return hint_; }
    void setHint(std::string hint);

    int tag() const noexcept { return tag_; }
    void setTag(int tag) noexcept { tag_ = tag; }

    const Font& font() const noexcept { return font_; }
    void setFont(Font font);
    // Background colour; unset means the platform default.
    const std::optional<Colour>& colour() const noexcept { return colour_; }
    void setColour(std::optional<Colour> colour);

    // ---- focus -------------------------------------------------------------
    // Controls that take the keyboard focus: edits, combo boxes, buttons,
    // check boxes, memos. Tool buttons and menu items do not.
    virtual bool canFocus() const noexcept { return false; }
    // Moves the form's focus here. The control that had the focus gets its
    // onExit first, then this one its onEnter. Does nothing when this
    // control already has the focus or cannot take it.
    void setFocus();
    bool focused() const noexcept;

    // ---- events ------------------------------------------------------------
    Handler onClick;
    Handler onDblClick;
    Handler onEnter;
    Handler onExit;

    // A click by the user: focuses the control if it takes the focus (so
    // the previous control's onExit runs first), then runs its click
    // behaviour (onClick; a check box toggles first, a button with a modal
    // result sets it on its form).
    void userClick();
    void userDblClick();
    // The user moves the focus here (mouse or Tab).
    void userFocus();

protected:
    // Reports a change to the form's observer, if any.
    void notify(Property property);
    // Runs a copy of the handler, so a handler may rebind itself.
    void fire(const Handler& handler) { if (handler) { Handler h = handler; h(*this); } }
    // What a click does after the focus moved; default runs onClick.
    virtual void clicked();
    // Whether user input reaches this control right now.
    bool acceptsUserInput() const noexcept { return isShowing() && isEnabledInTree(); }

private:
    friend class Form;
    void adopt(std::unique_ptr<Control> child);
    Control::Observer* observer() const noexcept;

    std::string name_;
    Control* parent_ = nullptr;
    std::vector<std::unique_ptr<Control>> children_;
    Rect bounds_;
    bool visible_ = true;
    bool enabled_ = true;
    std::string caption_;
    std::string hint_;
    int tag_ = 0;
    Font font_;
    std::optional<Colour> colour_;
    bool isForm_ = false;
};

// True when `name` contains `word` and the text after it is a decimal
// number; gives that number ("Edit17", "Edit" -> 17). Used to address tables
// of like controls by the number in their names.
std::optional<int> numberAfter(std::string_view name, std::string_view word) noexcept;

}  // namespace varnel::tk
