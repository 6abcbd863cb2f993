// Console output: coloured messages by type, optional capture files, and a copy in the debug log.
#pragma once

#include "corlink/foundation/log.h"

// Types: 1 literal text (light cyan), 2 bright white, 3/0/above 7 grey, 4 yellow, 5 light red,
// 6 dark yellow, 7 not printed but written to the list capture.
void ConsolePrint(int type, const char* format, ...) CORLINK_PRINTF(2, 3);
void ConsoleInit();
// Opens the capture files (a null or empty name leaves that capture as it was).
void OpenCaptureFiles(const char* listCapture, const char* echoCapture);

enum class CaptureRole { Echo, List, Both };
void CloseCaptureFiles(CaptureRole role);
