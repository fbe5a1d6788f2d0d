#include "app/pictures.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace varnel::app {

namespace {

constexpr std::uint32_t White = 0xFFFFFFFFu;
constexpr std::uint32_t CaseDark = 0xFF2E3440u;
constexpr std::uint32_t CaseEdge = 0xFF4C566Au;
constexpr std::uint32_t CaseHighlight = 0xFF5E6A80u;
constexpr std::uint32_t Antenna = 0xFF1C2028u;
constexpr std::uint32_t NameColour = 0xFFF0A030u;
constexpr std::uint32_t Display = 0xFFA8D5A2u;
constexpr std::uint32_t DisplayFrame = 0xFF1A1E24u;
constexpr std::uint32_t DisplayText = 0xFF1F3A24u;
constexpr std::uint32_t KeyFace = 0xFFD8DEE9u;
constexpr std::uint32_t KeyShadow = 0xFF8A93A6u;
constexpr std::uint32_t LampGreen = 0xFF30C040u;
constexpr std::uint32_t LampRed = 0xFFE04030u;
constexpr std::uint32_t Grille = 0xFF15181Du;

constexpr std::uint32_t StripBorder = 0xFF8A93A6u;
constexpr std::uint32_t StripDark = 0xFF2A6FDBu;
constexpr std::uint32_t StripLight = 0xFF9CC2F5u;

// 5 x 7 glyphs, one row per byte, bit 4 the leftmost column.
struct Glyph {
    char ch;
    std::array<std::uint8_t, 7> rows;
};

constexpr std::array<Glyph, 18> Glyphs{{
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'/', {0x01, 0x01, 0x02, 0x04, 0x08, 0x10, 0x10}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {' ', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
}};

class Canvas {
public:
    Canvas(int width, int height, std::uint32_t background)
    {
        image_.width = width;
        image_.height = height;
        image_.argb.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), background);
    }

    void pixel(int x, int y, std::uint32_t colour)
    {
        if (x < 0 || y < 0 || x >= image_.width || y >= image_.height)
            return;
        image_.argb[static_cast<std::size_t>(y) * static_cast<std::size_t>(image_.width) + static_cast<std::size_t>(x)] =
            colour;
    }

    void fill(int left, int top, int width, int height, std::uint32_t colour)
    {
        for (int y = top; y < top + height; ++y)
            for (int x = left; x < left + width; ++x)
                pixel(x, y, colour);
    }

    void roundRect(int left, int top, int width, int height, int radius, std::uint32_t colour)
    {
        for (int y = top; y < top + height; ++y) {
            for (int x = left; x < left + width; ++x) {
                // Distance to the nearest corner centre decides the corners.
                const int cx = x < left + radius ? left + radius : (x >= left + width - radius ? left + width - radius - 1 : x);
                const int cy = y < top + radius ? top + radius : (y >= top + height - radius ? top + height - radius - 1 : y);
                const int dx = x - cx;
                const int dy = y - cy;
                if (dx * dx + dy * dy <= radius * radius)
                    pixel(x, y, colour);
            }
        }
    }

    void disc(int centreX, int centreY, int radius, std::uint32_t colour)
    {
        for (int y = centreY - radius; y <= centreY + radius; ++y)
            for (int x = centreX - radius; x <= centreX + radius; ++x)
                if ((x - centreX) * (x - centreX) + (y - centreY) * (y - centreY) <= radius * radius)
                    pixel(x, y, colour);
    }

    // Text in the 5 x 7 glyphs, each dot scale x scale pixels, one dot of
    // space between characters. Characters without a glyph are left blank.
    void text(int left, int top, std::string_view text, int scale, std::uint32_t colour)
    {
        int x = left;
        for (char ch : text) {
            for (const Glyph& glyph : Glyphs) {
                if (glyph.ch != ch)
                    continue;
                for (int row = 0; row < 7; ++row)
                    for (int column = 0; column < 5; ++column)
                        if ((glyph.rows[static_cast<std::size_t>(row)] >> (4 - column)) & 1)
                            fill(x + column * scale, top + row * scale, scale, scale, colour);
            }
            x += 6 * scale;
        }
    }

    static int textWidth(std::string_view text, int scale)
    {
        return text.empty() ? 0 : static_cast<int>(text.size()) * 6 * scale - scale;
    }

    tk::Image take() { return std::move(image_); }

private:
    tk::Image image_;
};

}  // namespace

tk::Image ProductPicture()
{
    Canvas canvas(ProductPictureWidth, ProductPictureHeight, White);

    // Antenna with its tip.
    canvas.roundRect(95, 10, 8, 50, 3, Antenna);
    canvas.disc(99, 9, 5, Antenna);

    // Case with a lit left edge.
    canvas.roundRect(14, 52, 110, 180, 12, CaseEdge);
    canvas.roundRect(17, 55, 104, 174, 10, CaseDark);
    canvas.fill(19, 66, 3, 150, CaseHighlight);

    constexpr std::string_view model = "ZR650/T";
    canvas.text(14 + (110 - Canvas::textWidth(model, 2)) / 2, 64, model, 2, NameColour);

    // Display: channel and frequency.
    canvas.fill(27, 84, 84, 38, DisplayFrame);
    canvas.fill(29, 86, 80, 34, Display);
    canvas.text(34, 90, "CH01", 2, DisplayText);
    canvas.text(108 - Canvas::textWidth("435.125", 1), 110, "435.125", 1, DisplayText);

    canvas.disc(34, 131, 3, LampGreen);
    canvas.disc(46, 131, 3, LampRed);

    // Keys, three by four.
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) {
            const int x = 30 + column * 27;
            const int y = 140 + row * 17;
            canvas.roundRect(x, y + 1, 24, 12, 3, KeyShadow);
            canvas.roundRect(x, y, 24, 11, 3, KeyFace);
        }
    }

    // Speaker grille.
    for (int line = 0; line < 3; ++line)
        canvas.roundRect(36, 210 + line * 6, 66, 3, 1, Grille);

    return canvas.take();
}

std::vector<tk::Image> LoadingStripFrames(int width, int height, int frameCount)
{
    std::vector<tk::Image> frames;
    if (width <= 0 || height <= 0 || frameCount <= 0)
        return frames;
    // The bands repeat every period pixels; each frame moves them by
    // period / frameCount, so the last frame leads back into the first.
    const int step = 4;
    const int period = step * frameCount;
    for (int frame = 0; frame < frameCount; ++frame) {
        Canvas canvas(width, height, StripBorder);
        for (int y = 1; y < height - 1; ++y) {
            for (int x = 1; x < width - 1; ++x) {
                const int phase = ((x + y - frame * step) % period + period) % period;
                canvas.pixel(x, y, phase < period / 2 ? StripDark : StripLight);
            }
        }
        frames.push_back(canvas.take());
    }
    return frames;
}

}  // namespace varnel::app
