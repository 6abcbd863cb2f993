#include "corlink/server/run_flags.h"

bool g_IpsMode = false;
