#pragma once
// Running tervon from a replay script without a display (tests, batch use).

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace tervon {

// Plays the script against the application through the headless host. Returns
// the exit status: 0, or 1 after a failed expectation or a script that cannot
// be played (reported on `err` with the file and line). Every message box the
// script did not expect is written on `err` with its title.
int RunScriptHeadless(const std::filesystem::path& script, std::ostream& err);

// One line on `err` for each dialog the script left open, which was closed.
void ReportUnfinished(const std::filesystem::path& script, const std::vector<std::string>& captions,
                      std::ostream& err);

}  // namespace tervon
