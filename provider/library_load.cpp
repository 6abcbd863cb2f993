// What the provider library does when it is loaded: the debug log's lock exists before any thread of the
// library can log.
#include "provider/controllers/debug_log.h"

namespace {

struct LibraryLoad {
    LibraryLoad() { BVSS_DebugLog::Lock(); }
};

const LibraryLoad g_load;

}  // namespace
