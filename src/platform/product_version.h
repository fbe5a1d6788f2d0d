#pragma once

// The product version of an executable and the tag the window captions carry.
//
// The version is placed into the executable at build time by the CMake
// function varnel_embed_product_version(<target> <version>) (see
// ProductVersion.cmake) as a record in its own ELF section, and is read back
// from the file, so the about window shows what the file on disk says.

#include <filesystem>
#include <string>
#include <string_view>

namespace varnel::platform {

// Name of the ELF section holding the record, and the text the record starts
// with; the version follows up to a NUL or the end of the section.
inline constexpr std::string_view kProductVersionSection = ".varnel.version";
inline constexpr std::string_view kProductVersionMarker = "VARNEL_PRODUCT_VERSION=";

// The product version embedded in the file at path; empty text for a missing
// file, a file that is not ELF, a damaged or truncated file, or an executable
// built without a version.
std::string GetProductVersion(const std::filesystem::path &path);

// "V" followed by the product version up to (not including) its second dot:
// 3.8.1 -> V3.8, 10.12.3 -> V10.12; with one dot only the part before it
// (5.2 -> V5); without a dot nothing (4 -> V, "" -> V).
std::string VersionTagFromProductVersion(std::string_view productVersion);

} // namespace varnel::platform
