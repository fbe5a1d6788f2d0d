#pragma once

// Small value types shared by the controls, the forms and the backends.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varnel::tk {

// Position and size in pixels. A control's left/top are relative to its
// parent's client area; a form's left/top are desktop coordinates and its
// width/height are the client size.
struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Colour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend bool operator==(const Colour&, const Colour&) = default;

    static constexpr Colour rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return {r, g, b}; }
};

namespace colours {
inline constexpr Colour white{255, 255, 255};
inline constexpr Colour black{0, 0, 0};
inline constexpr Colour lampGreen{0, 200, 0};
inline constexpr Colour lampRed{220, 0, 0};
inline constexpr Colour lampOff{64, 64, 64};
}  // namespace colours

// Unset members mean "the platform's default".
struct Font {
    std::string family;
    int pointSize = 0;
    bool bold = false;
    std::optional<Colour> colour;

    friend bool operator==(const Font&, const Font&) = default;
};

enum class Alignment { Left, Centre, Right };

// Icon of a message box.
enum class Icon { None, Information, Warning, Error, Question };

// How a form's modal display ended. None means "still running".
enum class ModalResult { None, Ok, Cancel, Abort, Retry, Ignore, Yes, No, Close };

// What closing a form does; a close handler may change it. None keeps the
// form open. Free is treated as Hide: windows live until the program ends.
// Closing the main form with anything but None ends the program.
enum class CloseAction { None, Hide, Free, Minimize };

// A picture's pixels, row by row, 0xAARRGGBB.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;

    bool empty() const noexcept { return width <= 0 || height <= 0; }
    friend bool operator==(const Image&, const Image&) = default;
};

}  // namespace varnel::tk
