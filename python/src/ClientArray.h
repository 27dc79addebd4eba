// NumPy arrays over memory the component handed out: the array owns the block through a capsule
// that gives it back with CoTaskMemFree when the array (and every view of it) is gone.
#pragma once

#include <cstddef>
#include <cstdint>

#include <pybind11/numpy.h>

namespace tarn::python {

// Takes data (count values, from CoTaskMemAlloc; may be null when count is 0) over.
template <class Value>
pybind11::array_t<Value> AdoptClientArray(Value* data, std::size_t count);

// How many adopted blocks have been given back so far (the tests count them).
std::uint64_t FreedClientArrays();

}  // namespace tarn::python
