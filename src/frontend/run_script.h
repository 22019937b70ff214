#pragma once
// Running tervon from a replay script without a display (tests, batch use).

#include <filesystem>
#include <iosfwd>

namespace tervon {

// Plays the script against the application through the headless host. Returns
// the exit status: 0, or 1 after a failed expectation or a script that cannot
// be played (reported on `err` with the file and line).
int RunScriptHeadless(const std::filesystem::path& script, std::ostream& err);

}  // namespace tervon
