#include "component/ComCall.h"

#include "debug/QVDebug.h"

namespace tarn::component {

void TraceFailedCall(const char* method, const char* what) noexcept {
    try {
        QV_TRACE("TARN", 1, "%s failed: %s", method, what);
    } catch (...) {
        // Tracing is best effort; the caller is already on its failure path.
    }
}

}  // namespace tarn::component
