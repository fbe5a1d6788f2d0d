// Plain key=value dump of what the devices hold, for people and for tests.
#pragma once

#include "radio_sim/board_model.h"
#include "radio_sim/radio_model.h"

#include <string>

namespace varnel::radio_sim {

struct AirCounters {
    unsigned carried = 0;
    unsigned lost = 0;
};

// Sections [radio], [channels] (tx/rx in units of 10 Hz, receive without the
// on-air offset), [calibration], and [board] / [air] when a board is present.
std::string RenderState(const RadioModel& radio, const BoardModel* board, const AirCounters& air);

// Writes beside the target and renames, so a reader never sees half a file.
bool WriteFileAtomically(const std::string& path, const std::string& text);

} // namespace varnel::radio_sim
