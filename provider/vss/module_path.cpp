#include "provider/vss/module_path.h"

#include "platform/system/module_library.h"

std::string ModulePath() { return platform::ModuleFileOf(reinterpret_cast<const void*>(&ModulePath)); }
