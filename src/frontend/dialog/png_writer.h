#pragma once
// Writes 8-bit RGB pixels as a PNG file (screenshots of the window backend).

#include <cstdint>
#include <filesystem>
#include <string>

namespace dialog {

// `rgb` holds width x height pixels, three bytes each, row by row from the top.
// Returns false and sets *error when the file cannot be written.
bool WritePng(const std::filesystem::path& path, int width, int height, const std::uint8_t* rgb,
              std::string* error);

}  // namespace dialog
