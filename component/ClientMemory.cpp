#include "component/ClientMemory.h"

#include "platform/platform.h"
#include "setup/BstrText.h"

#include <climits>
#include <cstring>
#include <new>

namespace tarn::component {

UniqueTaskMem AllocResultArray(std::uint64_t count, std::size_t slotBytes) {
    if (slotBytes == 0 || count > kMaxResultBytes / slotBytes) return UniqueTaskMem();
    return UniqueTaskMem(CoTaskMemAlloc(static_cast<SIZE_T>(count * slotBytes)));
}

BSTR NewBstr(std::u16string_view text) {
    BSTR result = AllocBstr(text);
    if (result == nullptr) throw std::bad_alloc();
    return result;
}

BSTR AnsiToBstr(std::string_view ansi) { return NewBstr(platform::AnsiToWide(ansi)); }

void I4ListToVariant(const std::vector<std::int32_t>& values, VARIANT* out) {
    VariantInit(out);
    if (values.empty()) return;
    if (values.size() > ULONG_MAX) throw std::bad_alloc();
    SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 1, static_cast<ULONG>(values.size()));
    if (array == nullptr) throw std::bad_alloc();
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) {
        SafeArrayDestroy(array);
        throw std::bad_alloc();
    }
    std::memcpy(data, values.data(), values.size() * sizeof(std::int32_t));
    SafeArrayUnaccessData(array);
    V_VT(out) = VT_ARRAY | VT_I4;
    V_ARRAY(out) = array;
}

}  // namespace tarn::component
