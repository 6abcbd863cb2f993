// The file of this library.
#pragma once

#include <string>

// The path of the module that holds the provider, as COM's InprocServer32 entry names it; "" when it cannot
// be found.
std::string ModulePath();
