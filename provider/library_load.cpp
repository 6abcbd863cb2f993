// What the provider library does when it is loaded and unloaded: the debug log's lock exists before any
// thread of the library can log, and the log's state is freed when the library is unloaded with no
// provider object alive (no thread of the library runs then).
#include "provider/controllers/debug_log.h"
#include "provider/vss/hardware_provider.h"
#include "provider/vss/provider_module.h"

namespace {

struct LibraryLoad {
    LibraryLoad() { BVSS_DebugLog::Lock(); }
    ~LibraryLoad() {
        if (ProviderModule().Objects().Count() == 0 && BVSS_HardwareProvider::InstanceCount() == 0)
            BVSS_DebugLog::ReleaseAtUnload();
    }
};

const LibraryLoad g_load;

}  // namespace
