// Programs started through a pipe (the C runtime's _popen / _pclose). The command's program path, the
// first word or the quoted text at its start, is a Windows path mapped under the machine root, so a test
// can plant a program there; the rest of the command line is split into arguments at blanks (double
// quotes group). No shell is involved.
#pragma once

#include <cstdio>

// mode: "r" or "w", optionally followed by 't' or 'b'. The stream reads the program's standard output
// ("r") or writes its standard input ("w"). Null when the program cannot be started (errno set).
FILE* _popen(const char* command, const char* mode);
// Closes the stream, waits for the program and returns its exit status; -1 for a stream that _popen did
// not open or a program ended by a signal.
int _pclose(FILE* stream);
