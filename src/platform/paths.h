#pragma once
// Logical file names. Both programs speak of Windows names ("c:\directory.txt",
// "tmp\thermal.tmp"); this is the one place where they become real paths.
//
//  - trailing blanks are trimmed, leading blanks kept (" 1.txt" is a real name);
//  - a drive root "X:\" is the folder named by the environment variable
//    PAVSIM_DRIVE_X, by default the current working directory;
//  - backslashes become slashes;
//  - a name that does not exist exactly is matched case-insensitively, one
//    component at a time; a component that matches nothing stays as written,
//    so new files are created under the name asked for.

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

std::filesystem::path resolve_path(std::string_view logical_name);

// Whether the named file (or folder) exists, after resolution.
bool logical_file_exists(std::string_view logical_name);

}  // namespace platform
