#include "python/src/ComCall.h"

#include <cstdio>
#include <cstdint>

#include "component/client/ScanEvents.h"

namespace py = pybind11;

namespace tarn::python {

namespace {

// Owned by the module for the life of the process.
py::object* g_ErrorType = nullptr;

}  // namespace

void ThrowComError(HRESULT hr, const std::string& what) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(static_cast<std::uint32_t>(hr)));
    throw ComError(hr, what + " (" + code + ")");
}

void RegisterComError(py::module_& module) {
    g_ErrorType = new py::object(py::reinterpret_steal<py::object>(
        PyErr_NewExceptionWithDoc("tarn.Error", "A call into the component failed; .hresult holds its status code.",
                                  PyExc_Exception, nullptr)));
    module.attr("Error") = *g_ErrorType;
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) std::rethrow_exception(thrown);
        } catch (const ComError& error) {
            py::object instance = (*g_ErrorType)(error.what());
            instance.attr("hresult") = static_cast<std::uint32_t>(error.Code());
            PyErr_SetObject(g_ErrorType->ptr(), instance.ptr());
        }
    });
}

void EnsureComponent() {
    // Registered once per process and never revoked: recordings may outlive any scope of the
    // module. Under the GIL, so one thread at a time gets here.
    static const client::ComponentSession* session = new client::ComponentSession();
    if (!session->Ok()) ThrowComError(E_FAIL, "the component cannot be registered in this process");
}

void OpenRecording(client::Recording& recording, std::mutex& lock, const std::string& path, client::OpenOptions options,
                   bool progress) {
    EnsureComponent();
    const client::OpenResult result = WithoutGil(lock, [&] {
        client::ProgressBar bar("scanning " + path);
        if (progress) options.onProgress = [&bar](LONG percent) { bar.Show(percent); };
        const client::OpenResult opened = client::OpenAndScan(recording, path, options);
        bar.Finish();
        // What the thread still holds for the object is handled before the object may go elsewhere.
        client::DispatchPendingMessages();
        return opened;
    });
    if (!result.Ok()) ThrowComError(result.hr, client::DescribeOpenFailure(result, path));
}

}  // namespace tarn::python
