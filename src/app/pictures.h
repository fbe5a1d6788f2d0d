#pragma once

// The pictures of the shell's windows, drawn in code: the product picture of
// the splash and about windows and the moving strip of the loading overlay.

#include <vector>

#include "toolkit/types.h"

namespace varnel::app {

inline constexpr int ProductPictureWidth = 137;
inline constexpr int ProductPictureHeight = 237;

// A front view of the radio: case, antenna, display, keys and the model name.
tk::Image ProductPicture();

// Frames of the overlay's strip: diagonal bands that move by a quarter of
// their period from frame to frame, so the fourth frame leads back into the
// first without a jump.
std::vector<tk::Image> LoadingStripFrames(int width, int height, int frameCount);

}  // namespace varnel::app
