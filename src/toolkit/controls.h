#pragma once

// The concrete controls. Texts are UTF-8; positions and lengths inside texts
// (caret, selection, maximum length) count characters (code points).

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/control.h"

namespace varnel::tk {

// Key handler: may replace the key or set it to 0 to swallow it.
// Enter is U'\r', Backspace U'\b', Escape U'\x1b'.
using KeyHandler = std::function<void(Control& sender, char32_t& key)>;

// ---- containers ------------------------------------------------------------

class GroupBox final : public Control {
public:
    using Control::Control;
    Kind kind() const noexcept override { return Kind::GroupBox; }
};

class Panel final : public Control {
public:
    using Control::Control;
    Kind kind() const noexcept override { return Kind::Panel; }
};

// A separator line or frame.
class Bevel final : public Control {
public:
    using Control::Control;
    Kind kind() const noexcept override { return Kind::Bevel; }
};

// ---- static text -----------------------------------------------------------

class Label final : public Control {
public:
    using Control::Control;
    Kind kind() const noexcept override { return Kind::Label; }

    Alignment alignment() const noexcept { return alignment_; }
    void setAlignment(Alignment alignment);
    bool wordWrap() const noexcept { return wordWrap_; }
    void setWordWrap(bool wrap);

private:
    Alignment alignment_ = Alignment::Left;
    bool wordWrap_ = false;
};

// ---- edit boxes --------------------------------------------------------------

// One-line edit box.
//
// onChange runs synchronously on every change of the text, whether typed or
// set by the program, and only when the text really changes. A setText
// inside onChange runs a nested onChange at once; the outer handler then
// continues with the box holding the nested result.
//
// maxLength limits what the user types (0 = no limit); the program may set
// longer texts, as the platform's edit boxes allow.
class Edit : public Control {
public:
    Edit(std::string name, Rect bounds);
    Kind kind() const noexcept override { return Kind::Edit; }
    bool canFocus() const noexcept override { return true; }

    const std::string& text() const noexcept { return text_; }
    // Runs onChange when the (normalised) text differs from the current one.
    // The caret goes to the start, as after a platform SetText.
    void setText(std::string_view text);
    // Length of the text in characters.
    int length() const noexcept;

    int maxLength() const noexcept { return maxLength_; }
    void setMaxLength(int length);
    bool readOnly() const noexcept { return readOnly_; }
    void setReadOnly(bool readOnly);

    int selStart() const noexcept { return selStart_; }
    int selLength() const noexcept { return selLength_; }
    // Both clamp to the text; setSelStart clears the selection length.
    void setSelStart(int start);
    void setSelLength(int length);
    void selectAll();
    std::string selText() const;

    Handler onChange;
    KeyHandler onKeyPress;

    // ---- user simulation ----
    // Types the characters one by one at the caret, each replacing the
    // selection, each passing onKeyPress first; one onChange per changed
    // character. Stops at maxLength; nothing when read-only.
    void userType(std::string_view utf8);
    // Presses one key (Enter, Backspace or a character) as userType does.
    void userKey(char32_t key);
    // Replaces the selection with the text in one change (a paste), cut to
    // maxLength.
    void userPaste(std::string_view utf8);
    // The widget reports its new text and caret after a user edit (delete,
    // cut, input method). Not cut to maxLength: the renderer refuses edits
    // that would pass it.
    void userEdited(std::string_view text, int caret);

protected:
    // Brings a text into the form this box stores (mask edits fit it to
    // their mask). Default: unchanged.
    virtual std::string normalise(std::string_view text) const { return std::string(text); }
    // One typed character at the caret; returns true when the text changed.
    virtual bool typeCharacter(char32_t ch);
    virtual bool backspace();
    // Inserts a pasted text at the caret in place of the selection.
    virtual void paste(std::u32string_view text);
    // Stores a new text, sets the caret and fires onChange when it differs.
    void replaceText(std::string text, int caret);

private:
    void pressKey(char32_t key);

    std::string text_;
    int maxLength_ = 0;
    bool readOnly_ = false;
    int selStart_ = 0;
    int selLength_ = 0;
};

// Edit box with an edit mask of the form "mask;saveLiterals;blank", for
// example "!999.99999;1;0":
//   '9' an optional digit, '0' a required digit, 'L'/'l' a required/optional
//   letter, 'A'/'a' a required/optional letter or digit, 'C'/'c' a
//   required/optional character, '\' takes the next character literally,
//   '!' (anywhere) is accepted and has no effect here; any other character
//   is a literal. saveLiterals "1" keeps the literals in text(), "0" leaves
//   them out. blank is the character shown for an unfilled position
//   (default '_').
//
// text() shows unfilled positions as spaces, so an empty "!999.99999;1;0"
// box reads "   .     " (see emptyText()); editText() is what the box
// displays, unfilled positions as the blank character ("000.00000" here).
// setText fits any text to the mask position by position: a character that
// does not fit its position leaves it unfilled, literals in the input are
// matched to the mask's literals. Typing overwrites at the caret and skips
// over literals; a character that does not fit is refused.
class MaskEdit final : public Edit {
public:
    MaskEdit(std::string name, Rect bounds, std::string editMask = {});
    Kind kind() const noexcept override { return Kind::MaskEdit; }

    const std::string& editMask() const noexcept { return editMask_; }
    // Re-fits the current text to the new mask (may run onChange).
    void setEditMask(std::string editMask);

    std::string editText() const;
    std::string emptyText() const;
    // No position filled.
    bool isEmpty() const;
    // The display mask, one character per position, Qt-free description
    // for renderers: for each position either a literal or a slot.
    struct Cell {
        char32_t literal = 0;   // non-zero: a literal at this position
        char32_t accepts = 0;   // the mask character ('9', '0', 'L', ...)
    };
    const std::vector<Cell>& cells() const noexcept { return cells_; }
    char32_t blank() const noexcept { return blank_; }
    bool saveLiterals() const noexcept { return saveLiterals_; }

protected:
    std::string normalise(std::string_view text) const override;
    bool typeCharacter(char32_t ch) override;
    bool backspace() override;
    void paste(std::u32string_view text) override;

private:
    void parseMask();
    bool accepts(const Cell& slot, char32_t ch) const noexcept;
    std::u32string fit(std::u32string_view text) const;
    std::string toText(const std::u32string& positions) const;
    void commit(const std::u32string& positions, int caret);
    std::u32string positions() const;  // current text, one entry per slot

    std::string editMask_;
    std::vector<Cell> cells_;
    char32_t blank_ = U'_';
    bool saveLiterals_ = true;
};

// Multi-line edit box.
class Memo final : public Control {
public:
    enum class ScrollBars { None, Vertical, Horizontal, Both };

    using Control::Control;
    Kind kind() const noexcept override { return Kind::Memo; }
    bool canFocus() const noexcept override { return true; }

    const std::vector<std::string>& lines() const noexcept { return lines_; }
    void setLines(std::vector<std::string> lines);
    void addLine(std::string line);
    void clear();
    // The lines joined by "\n"; setText splits at "\n" (a "\r" before it is
    // dropped).
    std::string text() const;
    void setText(std::string_view text);

    bool readOnly() const noexcept { return readOnly_; }
    void setReadOnly(bool readOnly);
    ScrollBars scrollBars() const noexcept { return scrollBars_; }
    void setScrollBars(ScrollBars bars);

    // Runs when the lines change (programmatic or user).
    Handler onChange;
    void userEdited(std::string_view text);

private:
    void changeLines(std::vector<std::string> lines);

    std::vector<std::string> lines_;
    bool readOnly_ = false;
    ScrollBars scrollBars_ = ScrollBars::None;
};

// ---- choices -----------------------------------------------------------------

// Combo box. itemIndex() is -1 when no item is selected.
//
// Programmatic changes (setItemIndex, setText, setItems) never run
// onChange; window code calls its change handler itself where it needs it.
// The user's changes do: picking an item (when the selection changes) and
// every typed change of an editable box's text.
//
// In an editable (DropDown) box, a text set by the program or typed by the
// user selects the first item equal to it, ignoring ASCII letter case, or no
// item when none is equal; the text is kept as given. setDisplayText sets
// the text alone, leaving the selection as it is (a box that shows "9600"
// with nothing selected). In a DropDownList box the text is always the
// selected item's (or empty).
class ComboBox final : public Control {
public:
    enum class Style { DropDown, DropDownList };

    ComboBox(std::string name, Rect bounds, Style style = Style::DropDown);
    Kind kind() const noexcept override { return Kind::ComboBox; }
    bool canFocus() const noexcept override { return true; }

    Style style() const noexcept { return style_; }
    void setStyle(Style style);

    const std::vector<std::string>& items() const noexcept { return items_; }
    int itemCount() const noexcept { return static_cast<int>(items_.size()); }
    // Replaces the items; the selection and the text are cleared.
    void setItems(std::vector<std::string> items);
    void addItem(std::string item);
    void clearItems();
    // Index of the first item exactly equal (letter case included), or -1.
    int indexOf(std::string_view item) const noexcept;

    int itemIndex() const noexcept { return itemIndex_; }
    // An index outside 0..itemCount()-1 selects nothing. The text becomes the
    // item's (empty for none).
    void setItemIndex(int index);

    const std::string& text() const noexcept { return text_; }
    void setText(std::string_view text);
    void setDisplayText(std::string_view text);

    Handler onChange;
    KeyHandler onKeyPress;

    // ---- user simulation ----
    // Picks an item from the list (-1 is ignored); onChange when the
    // selection changes.
    void userSelect(int index);
    // Types into an editable box, appending at the end: one change per
    // character, each matched against the items, each running onChange.
    void userType(std::string_view utf8);
    void userKey(char32_t key);
    // The widget reports a new edit text typed by the user.
    void userEdited(std::string_view text);

private:
    int matchingIndex(std::string_view text) const noexcept;
    void userTextChange(std::string text);

    Style style_;
    std::vector<std::string> items_;
    int itemIndex_ = -1;
    std::string text_;
};

// Check box. setChecked does not run onClick; a user click toggles, then
// runs onClick.
class CheckBox final : public Control {
public:
    using Control::Control;
    Kind kind() const noexcept override { return Kind::CheckBox; }
    bool canFocus() const noexcept override { return true; }

    bool checked() const noexcept { return checked_; }
    void setChecked(bool checked);

protected:
    void clicked() override;

private:
    bool checked_ = false;
};

// Push button. A button with a modal result sets it on its form after
// onClick, which ends the form's modal display.
class Button final : public Control {
public:
    using Control::Control;
    Kind kind() const noexcept override { return Kind::Button; }
    bool canFocus() const noexcept override { return true; }

    ModalResult modalResult() const noexcept { return modalResult_; }
    void setModalResult(ModalResult result) noexcept { modalResult_ = result; }
    // Enter on the form presses the default button, Escape the cancel one.
    bool isDefault() const noexcept { return default_; }
    void setDefault(bool isDefault) noexcept { default_ = isDefault; }
    bool isCancel() const noexcept { return cancel_; }
    void setCancel(bool isCancel) noexcept { cancel_ = isCancel; }

protected:
    void clicked() override;

private:
    ModalResult modalResult_ = ModalResult::None;
    bool default_ = false;
    bool cancel_ = false;
};

// ---- status bar, progress, lamp ----------------------------------------------

// Holds StatusPane, ClockPane and ProgressBar children; panes are laid out
// left to right in child order with their bounds' widths (a width of 0
// stretches). A progress bar child keeps its own bounds, over the panes.
class StatusBar final : public Control {
public:
    using Control::Control;
    Kind kind() const noexcept override { return Kind::StatusBar; }
};

// A text pane; double-clicks arrive as onDblClick.
class StatusPane final : public Control {
public:
    using Control::Control;
    Kind kind() const noexcept override { return Kind::StatusPane; }

    Alignment alignment() const noexcept { return alignment_; }
    void setAlignment(Alignment alignment);

private:
    Alignment alignment_ = Alignment::Left;
};

// A pane showing the wall-clock time; renderers refresh it every second.
class ClockPane final : public Control {
public:
    ClockPane(std::string name, Rect bounds, std::string format = "%Y-%m-%d %H:%M:%S");
    Kind kind() const noexcept override { return Kind::ClockPane; }

    // strftime format.
    const std::string& format() const noexcept { return format_; }
    void setFormat(std::string format);
    // The pane's text for the given time (local time).
    std::string textAt(std::int64_t unixSeconds) const;
    std::string textNow() const;

private:
    std::string format_;
};

class ProgressBar final : public Control {
public:
    using Control::Control;
    Kind kind() const noexcept override { return Kind::ProgressBar; }

    int percent() const noexcept { return percent_; }
    // Clamped to 0..100.
    void setPercent(int percent);

private:
    int percent_ = 0;
};

// Round indicator lamp.
class Lamp final : public Control {
public:
    using Control::Control;
    Kind kind() const noexcept override { return Kind::Lamp; }

    bool lit() const noexcept { return lit_; }
    void setLit(bool lit);
    Colour onColour() const noexcept { return onColour_; }
    Colour offColour() const noexcept { return offColour_; }
    void setColours(Colour on, Colour off);
    Colour currentColour() const noexcept { return lit_ ? onColour_ : offColour_; }

private:
    bool lit_ = false;
    Colour onColour_ = colours::lampGreen;
    Colour offColour_ = colours::lampOff;
};

// ---- menus and tool bar ------------------------------------------------------

// The form's menu bar; its children are the top-level MenuItems.
class MainMenu final : public Control {
public:
    using Control::Control;
    Kind kind() const noexcept override { return Kind::MainMenu; }
};

// A menu entry; its MenuItem children form its submenu. The caption may
// carry '&' marks; a caption of "-" makes a separator. A user click on an
// item with a submenu does nothing; on a disabled or hidden item (or one
// under such an item) nothing either.
class MenuItem final : public Control {
public:
    using Control::Control;
    Kind kind() const noexcept override { return Kind::MenuItem; }

    bool isSeparator() const noexcept { return caption() == "-"; }
    bool checked() const noexcept { return checked_; }
    void setChecked(bool checked);
    // The caption without '&' marks ("&&" gives "&").
    std::string plainCaption() const;

protected:
    void clicked() override;

private:
    bool checked_ = false;
};

// Holds ToolButtons, laid out left to right in child order.
class ToolBar final : public Control {
public:
    using Control::Control;
    Kind kind() const noexcept override { return Kind::ToolBar; }

    bool showCaptions() const noexcept { return showCaptions_; }
    void setShowCaptions(bool show);

private:
    bool showCaptions_ = true;
};

// A tool button never takes the focus, so an edit box keeps it (and its
// onExit does not run) while a tool button is clicked.
class ToolButton final : public Control {
public:
    using Control::Control;
    Kind kind() const noexcept override { return Kind::ToolButton; }

    // An optional icon.
    const Image& image() const noexcept { return image_; }
    void setImage(Image image);

private:
    Image image_;
};

// ---- pictures ----------------------------------------------------------------

// A static or animated picture. The content is pixels (setImage, setFrames)
// or an image file the renderer loads (setImageFile; an animated GIF file
// animates in the Qt renderer). Frames given as pixels are stepped by a
// backend timer every frameInterval ms while the picture is animated, so
// the headless clock drives them too. Clicks on a picture run only the
// picture's own handlers; they never reach its parent.
class Picture final : public Control {
public:
    Picture(std::string name, Rect bounds);
    ~Picture() override;
    Kind kind() const noexcept override { return Kind::Picture; }

    const std::vector<Image>& frames() const noexcept { return frames_; }
    const std::filesystem::path& imageFile() const noexcept { return file_; }
    void setImage(Image image);
    void setFrames(std::vector<Image> frames, int frameIntervalMs);
    void setImageFile(std::filesystem::path file);

    int frameInterval() const noexcept { return frameInterval_; }
    int frameIndex() const noexcept { return frameIndex_; }
    // The frame to paint now; an empty image when the content is a file.
    const Image& currentFrame() const noexcept;

    bool animated() const noexcept { return animated_; }
    void setAnimated(bool animated);
    bool stretch() const noexcept { return stretch_; }
    void setStretch(bool stretch);
    bool centre() const noexcept { return centre_; }
    void setCentre(bool centre);

private:
    void restartAnimation();
    void stopAnimation() noexcept;

    std::vector<Image> frames_;
    std::filesystem::path file_;
    int frameInterval_ = 100;
    int frameIndex_ = 0;
    bool animated_ = false;
    bool stretch_ = false;
    bool centre_ = false;
    std::uint64_t timerId_ = 0;
};

}  // namespace varnel::tk
