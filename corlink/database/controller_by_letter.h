// Finding a controller by its letter: A or B, as its management LUN names it.
#pragma once

#include <cstdint>

// Refreshes the database entries in order, skipping those whose refresh fails, and returns the index of the
// first whose controller is the one of this letter (either case); -1 for another letter or no match.
int32_t FindControllerByLetter(char letter);
