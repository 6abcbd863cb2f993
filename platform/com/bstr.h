// Automation strings (BSTR): wide text with its byte length stored in front of it, freed with SysFreeString.
#pragma once

#include "platform/system/wide_text.h"
#include "platform/win_types.h"

using BSTR = WCHAR*;

// A copy of the text; null for a null text or when memory ran out.
BSTR SysAllocString(const WCHAR* text);
// Frees a string of SysAllocString; null is allowed.
void SysFreeString(BSTR text);
// The string's length in characters (0 for null).
UINT SysStringLen(BSTR text);
