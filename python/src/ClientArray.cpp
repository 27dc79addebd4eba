#include "python/src/ClientArray.h"

#include <atomic>

#include "compat/compat.h"

namespace py = pybind11;

namespace tarn::python {

namespace {

std::atomic<std::uint64_t> g_Freed{0};

void FreeClientArray(void* data) {
    CoTaskMemFree(data);
    ++g_Freed;
}

}  // namespace

template <class Value>
py::array_t<Value> AdoptClientArray(Value* data, std::size_t count) {
    if (data == nullptr) return py::array_t<Value>(0);
    // The capsule is made first, so the block is given back even when the array cannot be made.
    const py::capsule owner(data, FreeClientArray);
    return py::array_t<Value>({count}, {sizeof(Value)}, data, owner);
}

template py::array_t<std::int16_t> AdoptClientArray(std::int16_t*, std::size_t);
template py::array_t<std::int32_t> AdoptClientArray(std::int32_t*, std::size_t);

std::uint64_t FreedClientArrays() { return g_Freed.load(); }

}  // namespace tarn::python
