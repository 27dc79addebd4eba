#include "component/com/Module.h"

#include <atomic>

namespace tarn::com {

namespace {
// Atomic although objects live in one apartment: a host may ask DllCanUnloadNow from any thread.
std::atomic<LONG> g_lockCount{0};
}  // namespace

void Module::Lock() { ++g_lockCount; }
void Module::Unlock() { --g_lockCount; }
LONG Module::LockCount() { return g_lockCount.load(); }
HRESULT Module::CanUnloadNow() { return LockCount() == 0 ? S_OK : S_FALSE; }

}  // namespace tarn::com
