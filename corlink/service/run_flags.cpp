#include "corlink/service/run_flags.h"

bool g_IpsMode = false;
