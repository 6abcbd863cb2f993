// A text value of the registry, as the stand-in reads what registration wrote.
#pragma once

#include <string>

#include "platform/files/registry.h"

namespace standin {

// The REG_SZ value `name` ("" for the key's default value) of root\key, bounded to 1 KB; "" when the key, the
// value or its text type is missing.
std::string RegistryText(HKEY root, const std::string& key, const char* name);
// Whether root\key exists.
bool RegistryKeyExists(HKEY root, const std::string& key);

}  // namespace standin
