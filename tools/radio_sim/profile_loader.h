// Initial radio contents from a profile file of the configuration tool:
// section "parameter", tx1..tx16 / rx1..rx16 in units of 10 Hz, power1..16,
// "Squelch Level", "Band Control" and the calibration keys. Empty or missing
// keys keep the default; names are matched without regard to case, as the
// platform's profile functions do.
#pragma once

#include "radio_sim/radio_model.h"

#include <string>

namespace varnel::radio_sim {

// Returns an empty text on success, else what is wrong (with the line number).
std::string ApplyProfileText(const std::string& text, RadioState& state);
std::string LoadProfileFile(const std::string& path, RadioState& state);

} // namespace varnel::radio_sim
