// Text functions of the C run-time library that the C standard lacks.
#pragma once

// Compares two texts ignoring the case of ASCII letters: <0, 0 or >0 as strcmp.
int _stricmp(const char* a, const char* b);
