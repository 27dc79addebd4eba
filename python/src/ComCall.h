// How the bindings call the component: a failed call becomes a ComError (tarn.Error in Python,
// with the HRESULT), and a call that may take long runs without the GIL but under the object's
// own lock, since a component object serves one caller at a time.
#pragma once

#include <mutex>
#include <stdexcept>
#include <string>

#include <pybind11/pybind11.h>

#include "compat/compat.h"
#include "component/client/ComponentRecording.h"

namespace tarn::python {

class ComError : public std::runtime_error {
public:
    ComError(HRESULT hr, const std::string& message) : std::runtime_error(message), m_Code(hr) {}
    HRESULT Code() const { return m_Code; }

private:
    HRESULT m_Code;
};

// "what failed (0x80004005)"
[[noreturn]] void ThrowComError(HRESULT hr, const std::string& what);

inline void Check(HRESULT hr, const char* what) {
    if (FAILED(hr)) ThrowComError(hr, what);
}

// Turns ComError into tarn.Error (message, .hresult); called once when the module loads.
void RegisterComError(pybind11::module_& module);

template <class Call>
auto WithoutGil(std::mutex& lock, Call&& call) {
    pybind11::gil_scoped_release release;
    const std::lock_guard<std::mutex> guard(lock);
    return call();
}

// The component's class object, registered in this process, so CoCreateInstance finds it.
void EnsureComponent();

// Opens (and, as options say, scans) path through the component for a Python client, without
// the GIL; progress: a progress bar on stderr. A failure is a ComError saying why.
void OpenRecording(client::Recording& recording, std::mutex& lock, const std::string& path, client::OpenOptions options,
                   bool progress);

}  // namespace tarn::python
