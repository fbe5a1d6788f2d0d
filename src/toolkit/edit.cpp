#include <algorithm>

#include "toolkit/application.h"
#include "toolkit/controls.h"
#include "toolkit/utf8.h"

namespace varnel::tk {

namespace {

int clampInt(int value, int low, int high) noexcept
{
    return std::max(low, std::min(value, high));
}

std::size_t index(int position) noexcept
{
    return static_cast<std::size_t>(std::max(position, 0));
}

}  // namespace

Edit::Edit(std::string name, Rect bounds) : Control(std::move(name), bounds) {}

int Edit::length() const noexcept
{
    return utf8::length(text_);
}

void Edit::setText(std::string_view text)
{
    std::string normalised = normalise(text);
    if (normalised == text_) return;
    replaceText(std::move(normalised), 0);
}

void Edit::replaceText(std::string text, int caret)
{
    if (text == text_) {
        setSelStart(caret);
        return;
    }
    text_ = std::move(text);
    selStart_ = clampInt(caret, 0, length());
    selLength_ = 0;
    notify(Property::Text);
    notify(Property::Selection);
    fire(onChange);
}

void Edit::setMaxLength(int length)
{
    length = std::max(length, 0);
    if (length == maxLength_) return;
    maxLength_ = length;
    notify(Property::MaxLength);
}

void Edit::setReadOnly(bool readOnly)
{
    if (readOnly == readOnly_) return;
    readOnly_ = readOnly;
    notify(Property::ReadOnly);
}

void Edit::setSelStart(int start)
{
    selStart_ = clampInt(start, 0, length());
    selLength_ = 0;
    notify(Property::Selection);
}

void Edit::setSelLength(int length)
{
    selLength_ = clampInt(length, 0, this->length() - selStart_);
    notify(Property::Selection);
}

void Edit::selectAll()
{
    selStart_ = 0;
    selLength_ = length();
    notify(Property::Selection);
}

std::string Edit::selText() const
{
    const std::u32string chars = utf8::decode(text_);
    return utf8::encode(std::u32string_view(chars).substr(index(selStart_), index(selLength_)));
}

bool Edit::typeCharacter(char32_t ch)
{
    std::u32string chars = utf8::decode(text_);
    const int len = static_cast<int>(chars.size());
    if (maxLength_ > 0 && len - selLength_ + 1 > maxLength_) return false;
    chars.replace(index(selStart_), index(selLength_), 1, ch);
    const int caret = selStart_ + 1;
    const std::string before = text_;
    replaceText(utf8::encode(chars), caret);
    return text_ != before;
}

bool Edit::backspace()
{
    std::u32string chars = utf8::decode(text_);
    int start = selStart_;
    int count = selLength_;
    if (count == 0) {
        if (start == 0) return false;
        --start;
        count = 1;
    }
    chars.erase(index(start), index(count));
    replaceText(utf8::encode(chars), start);
    return true;
}

void Edit::paste(std::u32string_view text)
{
    std::u32string chars = utf8::decode(text_);
    std::u32string insert(text);
    if (maxLength_ > 0) {
        const int room = std::max(0, maxLength_ - (static_cast<int>(chars.size()) - selLength_));
        if (static_cast<int>(insert.size()) > room) insert.resize(index(room));
    }
    chars.replace(index(selStart_), index(selLength_), insert);
    replaceText(normalise(utf8::encode(chars)), selStart_ + static_cast<int>(insert.size()));
}

void Edit::pressKey(char32_t key)
{
    if (!acceptsUserInput()) return;
    if (onKeyPress) {
        KeyHandler handler = onKeyPress;
        handler(*this, key);
    }
    if (key == 0 || key == U'\r' || key == U'\x1b') return;
    if (readOnly_ || !acceptsUserInput()) return;
    if (key == U'\b') {
        backspace();
    } else if (key >= 0x20) {
        typeCharacter(key);
    }
}

void Edit::userType(std::string_view utf8Text)
{
    if (!acceptsUserInput()) return;
    guarded([&] {
        setFocus();
        for (char32_t ch : utf8::decode(utf8Text)) pressKey(ch);
    });
}

void Edit::userKey(char32_t key)
{
    if (!acceptsUserInput()) return;
    guarded([&] {
        setFocus();
        pressKey(key);
    });
}

void Edit::userPaste(std::string_view utf8Text)
{
    if (!acceptsUserInput() || readOnly_) return;
    guarded([&] {
        setFocus();
        paste(utf8::decode(utf8Text));
    });
}

void Edit::userEdited(std::string_view text, int caret)
{
    if (!acceptsUserInput()) return;
    guarded([&] { replaceText(normalise(text), caret); });
}

// ---- MaskEdit -------------------------------------------------------------

MaskEdit::MaskEdit(std::string name, Rect bounds, std::string editMask) : Edit(std::move(name), bounds)
{
    editMask_ = std::move(editMask);
    parseMask();
    if (!cells_.empty()) replaceText(toText(fit(U"")), 0);
}

void MaskEdit::setEditMask(std::string editMask)
{
    if (editMask == editMask_) return;
    const std::u32string before = positions();
    editMask_ = std::move(editMask);
    parseMask();
    notify(Property::Style);
    replaceText(cells_.empty() ? utf8::encode(before) : toText(fit(before)), 0);
}

void MaskEdit::parseMask()
{
    cells_.clear();
    blank_ = U'_';
    saveLiterals_ = true;
    // Split at unescaped ';': mask ; saveLiterals ; blank
    const std::u32string all = utf8::decode(editMask_);
    std::vector<std::u32string> fields(1);
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i] == U'\\' && i + 1 < all.size() && fields.size() == 1) {
            fields.back() += all[i];
            fields.back() += all[++i];
        } else if (all[i] == U';' && fields.size() < 3) {
            fields.emplace_back();
        } else {
            fields.back() += all[i];
        }
    }
    if (fields.size() > 1 && !fields[1].empty()) saveLiterals_ = fields[1] != U"0";
    if (fields.size() > 2 && !fields[2].empty()) blank_ = fields[2][0];

    const std::u32string& mask = fields[0];
    for (std::size_t i = 0; i < mask.size(); ++i) {
        const char32_t m = mask[i];
        switch (m) {
        case U'!':
        case U'>':
        case U'<':
            break;  // case and alignment flags: no effect here
        case U'\\':
            if (i + 1 < mask.size()) cells_.push_back({mask[++i], 0});
            break;
        case U'9':
        case U'0':
        case U'#':
        case U'L':
        case U'l':
        case U'A':
        case U'a':
        case U'C':
        case U'c':
            cells_.push_back({0, m});
            break;
        default:
            cells_.push_back({m, 0});
        }
    }
}

bool MaskEdit::accepts(const Cell& slot, char32_t ch) const noexcept
{
    const bool digit = ch >= U'0' && ch <= U'9';
    const bool letter = (ch >= U'a' && ch <= U'z') || (ch >= U'A' && ch <= U'Z') || ch > 0x7F;
    switch (slot.accepts) {
    case U'9':
    case U'0':
        return digit;
    case U'#':
        return digit || ch == U'+' || ch == U'-';
    case U'L':
    case U'l':
        return letter;
    case U'A':
    case U'a':
        return letter || digit;
    case U'C':
    case U'c':
        return ch >= 0x20;
    default:
        return false;
    }
}

std::u32string MaskEdit::fit(std::u32string_view text) const
{
    std::u32string out;
    out.reserve(cells_.size());
    std::size_t j = 0;
    for (const Cell& slot : cells_) {
        if (slot.literal != 0) {
            if (j < text.size() && text[j] == slot.literal) ++j;
            out += slot.literal;
            continue;
        }
        char32_t ch = U' ';
        if (j < text.size()) {
            const char32_t in = text[j++];
            if (in != U' ' && accepts(slot, in)) ch = in;
        }
        out += ch;
    }
    return out;
}

std::string MaskEdit::toText(const std::u32string& positions) const
{
    if (saveLiterals_) return utf8::encode(positions);
    std::u32string out;
    for (std::size_t i = 0; i < positions.size() && i < cells_.size(); ++i) {
        if (cells_[i].literal == 0) out += positions[i];
    }
    return utf8::encode(out);
}

std::u32string MaskEdit::positions() const
{
    if (cells_.empty()) return utf8::decode(text());
    return fit(utf8::decode(text()));
}

std::string MaskEdit::normalise(std::string_view text) const
{
    if (cells_.empty()) return std::string(text);
    return toText(fit(utf8::decode(text)));
}

std::string MaskEdit::editText() const
{
    if (cells_.empty()) return text();
    std::u32string shown = positions();
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (cells_[i].literal == 0 && shown[i] == U' ') shown[i] = blank_;
    }
    return utf8::encode(shown);
}

std::string MaskEdit::emptyText() const
{
    if (cells_.empty()) return {};
    return toText(fit(U""));
}

bool MaskEdit::isEmpty() const
{
    if (cells_.empty()) return text().empty();
    const std::u32string p = positions();
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (cells_[i].literal == 0 && p[i] != U' ') return false;
    }
    return true;
}

void MaskEdit::commit(const std::u32string& positions, int caret)
{
    replaceText(toText(positions), caret);
}

bool MaskEdit::typeCharacter(char32_t ch)
{
    if (cells_.empty()) return Edit::typeCharacter(ch);
    std::u32string p = positions();
    const int n = static_cast<int>(cells_.size());
    int at = std::min(selStart(), n);
    for (int i = at; i < at + selLength() && i < n; ++i) {
        if (cells_[index(i)].literal == 0) p[index(i)] = U' ';
    }
    const std::string before = text();
    // Literals under the caret are stepped over; typing the literal itself
    // just moves past it.
    while (at < n && cells_[index(at)].literal != 0) {
        if (cells_[index(at)].literal == ch) {
            commit(p, at + 1);
            return text() != before;
        }
        ++at;
    }
    if (at < n && accepts(cells_[index(at)], ch)) {
        p[index(at)] = ch;
        commit(p, at + 1);
        return text() != before;
    }
    // A literal typed ahead of its place jumps there.
    for (int q = at; q < n; ++q) {
        if (cells_[index(q)].literal == ch) {
            commit(p, q + 1);
            return text() != before;
        }
    }
    if (selLength() > 0) commit(p, selStart());
    return text() != before;
}

bool MaskEdit::backspace()
{
    if (cells_.empty()) return Edit::backspace();
    std::u32string p = positions();
    const int n = static_cast<int>(cells_.size());
    if (selLength() > 0) {
        for (int i = selStart(); i < selStart() + selLength() && i < n; ++i) {
            if (cells_[index(i)].literal == 0) p[index(i)] = U' ';
        }
        commit(p, selStart());
        return true;
    }
    int at = std::min(selStart(), n) - 1;
    while (at >= 0 && cells_[index(at)].literal != 0) --at;
    if (at < 0) return false;
    p[index(at)] = U' ';
    commit(p, at);
    return true;
}

void MaskEdit::paste(std::u32string_view text)
{
    if (cells_.empty()) {
        Edit::paste(text);
        return;
    }
    for (char32_t ch : text) typeCharacter(ch);
}

}  // namespace varnel::tk
