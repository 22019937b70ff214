#pragma once
// Names of files in the project directory: the directory text with its
// trailing blanks removed, followed directly by the relative name (no
// separator is added), held in 255 characters.

#include <string_view>

#include "platform/fixed_text.h"

namespace engine {

inline platform::FixedText<255> project_file(const platform::FixedText<255>& work_directory,
                                             std::string_view relative_name) {
  return platform::concat<255>(work_directory.trimmed(), relative_name);
}

}  // namespace engine
