// The frame of every interface method: whatever the body throws is traced and turned into a
// status code, so no exception crosses the COM boundary.
#pragma once

#include "compat/compat.h"

#include <exception>
#include <new>

namespace tarn::component {

void TraceFailedCall(const char* method, const char* what) noexcept;

// body() returns the HRESULT of the call. Running out of memory gives E_OUTOFMEMORY, any other
// exception E_FAIL.
template <typename Body>
HRESULT ComCall(const char* method, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        TraceFailedCall(method, "out of memory");
        return E_OUTOFMEMORY;
    } catch (const std::exception& e) {
        TraceFailedCall(method, e.what());
        return E_FAIL;
    } catch (...) {
        TraceFailedCall(method, "unknown exception");
        return E_FAIL;
    }
}

}  // namespace tarn::component
