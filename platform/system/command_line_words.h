// The words of a Windows command line as the platform's process starters read it: blanks and tabs
// separate, double quotes group (and are dropped).
#pragma once

#include <string>
#include <vector>

namespace platform {

std::vector<std::string> SplitCommandLine(const char* command);

}  // namespace platform
