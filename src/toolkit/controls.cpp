#include "toolkit/controls.h"

#include <algorithm>
#include <ctime>

#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/utf8.h"

namespace varnel::tk {

// ---- Label ------------------------------------------------------------------

void Label::setAlignment(Alignment alignment)
{
    if (alignment == alignment_) return;
    alignment_ = alignment;
    notify(Property::Style);
}

void Label::setWordWrap(bool wrap)
{
    if (wrap == wordWrap_) return;
    wordWrap_ = wrap;
    notify(Property::Style);
}

// ---- Memo -------------------------------------------------------------------

void Memo::changeLines(std::vector<std::string> lines)
{
    if (lines == lines_) return;
    lines_ = std::move(lines);
    notify(Property::Lines);
    fire(onChange);
}

void Memo::setLines(std::vector<std::string> lines)
{
    changeLines(std::move(lines));
}

void Memo::addLine(std::string line)
{
    std::vector<std::string> lines = lines_;
    lines.push_back(std::move(line));
    changeLines(std::move(lines));
}

void Memo::clear()
{
    changeLines({});
}

std::string Memo::text() const
{
    std::string out;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0) out += '\n';
        out += lines_[i];
    }
    return out;
}

void Memo::setText(std::string_view text)
{
    std::vector<std::string> lines;
    if (!text.empty()) {
        std::size_t start = 0;
        while (true) {
            const std::size_t end = text.find('\n', start);
            std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            lines.emplace_back(line);
            if (end == std::string_view::npos) break;
            start = end + 1;
        }
    }
    changeLines(std::move(lines));
}

void Memo::setReadOnly(bool readOnly)
{
    if (readOnly == readOnly_) return;
    readOnly_ = readOnly;
    notify(Property::ReadOnly);
}

void Memo::setScrollBars(ScrollBars bars)
{
    if (bars == scrollBars_) return;
    scrollBars_ = bars;
    notify(Property::Style);
}

void Memo::userEdited(std::string_view text)
{
    if (!acceptsUserInput() || readOnly_) return;
    guarded([&] { setText(text); });
}

// ---- ComboBox ---------------------------------------------------------------

namespace {

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

ComboBox::ComboBox(std::string name, Rect bounds, Style style) : Control(std::move(name), bounds), style_(style) {}

void ComboBox::setStyle(Style style)
{
    if (style == style_) return;
    style_ = style;
    if (style_ == Style::DropDownList) text_ = itemIndex_ >= 0 ? items_[static_cast<std::size_t>(itemIndex_)] : "";
    notify(Property::Style);
    notify(Property::Text);
}

void ComboBox::setItems(std::vector<std::string> items)
{
    items_ = std::move(items);
    itemIndex_ = -1;
    text_.clear();
    notify(Property::Items);
    notify(Property::ItemIndex);
    notify(Property::Text);
}

void ComboBox::addItem(std::string item)
{
    items_.push_back(std::move(item));
    notify(Property::Items);
}

void ComboBox::clearItems()
{
    setItems({});
}

int ComboBox::indexOf(std::string_view item) const noexcept
{
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i] == item) return static_cast<int>(i);
    }
    return -1;
}

int ComboBox::matchingIndex(std::string_view text) const noexcept
{
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (equalIgnoringAsciiCase(items_[i], text)) return static_cast<int>(i);
    }
    return -1;
}

void ComboBox::setItemIndex(int index)
{
    if (index < 0 || index >= itemCount()) index = -1;
    const std::string text = index >= 0 ? items_[static_cast<std::size_t>(index)] : std::string();
    if (index == itemIndex_ && text == text_) return;
    itemIndex_ = index;
    text_ = text;
    notify(Property::ItemIndex);
    notify(Property::Text);
}

void ComboBox::setText(std::string_view text)
{
    const int match = matchingIndex(text);
    if (style_ == Style::DropDownList) {
        setItemIndex(match);
        return;
    }
    if (match == itemIndex_ && text == text_) return;
    itemIndex_ = match;
    text_ = std::string(text);
    notify(Property::ItemIndex);
    notify(Property::Text);
}

void ComboBox::setDisplayText(std::string_view text)
{
    if (style_ == Style::DropDownList) {
        setText(text);
        return;
    }
    if (text == text_) return;
    text_ = std::string(text);
    notify(Property::Text);
}

void ComboBox::userSelect(int index)
{
    if (!acceptsUserInput() || index < 0 || index >= itemCount()) return;
    guarded([&] {
        setFocus();
        if (index == itemIndex_ && text_ == items_[static_cast<std::size_t>(index)]) return;
        setItemIndex(index);
        fire(onChange);
    });
}

void ComboBox::userTextChange(std::string text)
{
    if (style_ == Style::DropDownList || text == text_) return;
    text_ = std::move(text);
    itemIndex_ = matchingIndex(text_);
    notify(Property::ItemIndex);
    notify(Property::Text);
    fire(onChange);
}

void ComboBox::userKey(char32_t key)
{
    if (!acceptsUserInput()) return;
    guarded([&] {
        setFocus();
        if (onKeyPress) {
            KeyHandler handler = onKeyPress;
            handler(*this, key);
        }
        if (key == 0 || key == U'\r' || key == U'\x1b' || !acceptsUserInput()) return;
        std::u32string chars = utf8::decode(text_);
        if (key == U'\b') {
            if (chars.empty()) return;
            chars.pop_back();
        } else if (key >= 0x20) {
            chars += key;
        } else {
            return;
        }
        userTextChange(utf8::encode(chars));
    });
}

void ComboBox::userType(std::string_view utf8Text)
{
    for (char32_t ch : utf8::decode(utf8Text)) userKey(ch);
}

void ComboBox::userEdited(std::string_view text)
{
    if (!acceptsUserInput()) return;
    guarded([&] { userTextChange(std::string(text)); });
}

// ---- CheckBox, Button ---------------------------------------------------------

void CheckBox::setChecked(bool checked)
{
    if (checked == checked_) return;
    checked_ = checked;
    notify(Property::Checked);
}

void CheckBox::clicked()
{
    setChecked(!checked_);
    fire(onClick);
}

void Button::clicked()
{
    fire(onClick);
    if (modalResult_ != ModalResult::None) {
        if (Form* f = form()) f->setModalResult(modalResult_);
    }
}

// ---- status bar pieces --------------------------------------------------------

void StatusPane::setAlignment(Alignment alignment)
{
    if (alignment == alignment_) return;
    alignment_ = alignment;
    notify(Property::Style);
}

ClockPane::ClockPane(std::string name, Rect bounds, std::string format)
    : Control(std::move(name), bounds), format_(std::move(format))
{
}

void ClockPane::setFormat(std::string format)
{
    if (format == format_) return;
    format_ = std::move(format);
    notify(Property::Style);
}

std::string ClockPane::textAt(std::int64_t unixSeconds) const
{
    const std::time_t t = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    localtime_r(&t, &local);
    char buffer[128];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    // The format is the pane's own setting, not outside input.
    const std::size_t n = std::strftime(buffer, sizeof buffer, format_.c_str(), &local);
#pragma GCC diagnostic pop
    return std::string(buffer, n);
}

std::string ClockPane::textNow() const
{
    return textAt(static_cast<std::int64_t>(std::time(nullptr)));
}

void ProgressBar::setPercent(int percent)
{
    percent = std::clamp(percent, 0, 100);
    if (percent == percent_) return;
    percent_ = percent;
    notify(Property::Position);
}

void Lamp::setLit(bool lit)
{
    if (lit == lit_) return;
    lit_ = lit;
    notify(Property::Lit);
}

void Lamp::setColours(Colour on, Colour off)
{
    if (on == onColour_ && off == offColour_) return;
    onColour_ = on;
    offColour_ = off;
    notify(Property::Lit);
}

// ---- menus, tool bar ------------------------------------------------------------

void MenuItem::setChecked(bool checked)
{
    if (checked == checked_) return;
    checked_ = checked;
    notify(Property::Checked);
}

std::string MenuItem::plainCaption() const
{
    std::string out;
    const std::string& c = caption();
    for (std::size_t i = 0; i < c.size(); ++i) {
        if (c[i] == '&') {
            if (i + 1 < c.size() && c[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += c[i];
    }
    return out;
}

void MenuItem::clicked()
{
    if (isSeparator() || !children().empty()) return;
    fire(onClick);
}

void ToolBar::setShowCaptions(bool show)
{
    if (show == showCaptions_) return;
    showCaptions_ = show;
    notify(Property::Style);
}

void ToolButton::setImage(Image image)
{
    if (image == image_) return;
    image_ = std::move(image);
    notify(Property::Image);
}

// ---- Picture ---------------------------------------------------------------------

Picture::Picture(std::string name, Rect bounds) : Control(std::move(name), bounds) {}

Picture::~Picture()
{
    stopAnimation();
}

void Picture::setImage(Image image)
{
    std::vector<Image> frames;
    frames.push_back(std::move(image));
    setFrames(std::move(frames), frameInterval_);
}

void Picture::setFrames(std::vector<Image> frames, int frameIntervalMs)
{
    frames_ = std::move(frames);
    file_.clear();
    frameInterval_ = std::max(frameIntervalMs, 1);
    frameIndex_ = 0;
    notify(Property::Image);
    restartAnimation();
}

void Picture::setImageFile(std::filesystem::path file)
{
    file_ = std::move(file);
    frames_.clear();
    frameIndex_ = 0;
    notify(Property::Image);
    restartAnimation();
}

const Image& Picture::currentFrame() const noexcept
{
    static const Image none;
    if (frames_.empty()) return none;
    return frames_[static_cast<std::size_t>(frameIndex_) % frames_.size()];
}

void Picture::setAnimated(bool animated)
{
    if (animated == animated_) return;
    animated_ = animated;
    notify(Property::Style);
    restartAnimation();
}

void Picture::setStretch(bool stretch)
{
    if (stretch == stretch_) return;
    stretch_ = stretch;
    notify(Property::Style);
}

void Picture::setCentre(bool centre)
{
    if (centre == centre_) return;
    centre_ = centre;
    notify(Property::Style);
}

void Picture::restartAnimation()
{
    stopAnimation();
    if (!animated_ || frames_.size() < 2) return;
    Application* app = Application::current();
    if (app == nullptr) return;  // nothing drives frames without a loop
    timerId_ = app->backend().startTimer(frameInterval_, [this] {
        frameIndex_ = static_cast<int>((static_cast<std::size_t>(frameIndex_) + 1) % frames_.size());
        notify(Property::Frame);
    });
}

void Picture::stopAnimation() noexcept
{
    if (timerId_ == 0) return;
    if (Application* app = Application::current()) app->backend().stopTimer(timerId_);
    timerId_ = 0;
}

}  // namespace varnel::tk
