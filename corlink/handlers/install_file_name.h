// Names of files in the install directory as clients give them: a relative name that cannot leave the
// directory by its spelling (the platform checks the directories it passes through when it opens it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The NUL-terminated name in a field of `fieldSize` bytes, or false when it is refused: no NUL in the
// field, empty, a leading separator ('\' or '/'), any ':' (drive prefixes and streams), a control
// character, or a ".." component.
bool ReadInstallFileName(const uint8_t* field, size_t fieldSize, std::string* name);
