// Sequential reading through the interface: read, the delivered block in its three forms, and
// the channel selection.
#include "component/CQVRecorderFileReader.h"

#include "component/MemberCall.h"
#include "reader/CQVDataRecorderReader.h"

#include <cstring>
#include <new>

namespace tarn {

namespace {

// *out (uninitialised on entry) becomes VT_ARRAY | VT_I2 with count elements, lower bound 1,
// filled by fill(the elements). Throws std::bad_alloc when the array cannot be created.
template <typename Fill> void I2ArrayToVariant(ULONG count, VARIANT* out, Fill&& fill) {
    VariantInit(out);
    SAFEARRAY* array = SafeArrayCreateVector(VT_I2, 1, count);
    if (array == nullptr) throw std::bad_alloc();
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) {
        SafeArrayDestroy(array);
        throw std::bad_alloc();
    }
    fill(data);
    SafeArrayUnaccessData(array);
    V_VT(out) = VT_ARRAY | VT_I2;
    V_ARRAY(out) = array;
}

}  // namespace

HRESULT CQVRecorderFileReader::read(LONG* pbOk) {
    return MemberCall("read", Needs::Recording, {pbOk}, [&] {
        const bool delivered =
            m_Reader->SelectionActive() ? m_Reader->ReadGenFeBlockSelection() : m_Reader->ReadGenFeBlock();
        *pbOk = delivered ? 1 : 0;
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::getBlock(VARIANT* pVal) {
    return MemberCall("getBlock", Needs::Recording, {pVal}, [&] {
        const OutputBlock& block = m_Reader->Output();
        if (!block.Delivered()) return E_FAIL;
        I2ArrayToVariant(static_cast<ULONG>(block.Count()), pVal,
                         [&](void* data) { block.CopyTo(static_cast<std::int16_t*>(data)); });
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::getBlock32(VARIANT* pVal) {
    return MemberCall("getBlock32", Needs::Recording, {pVal}, [&] {
        const OutputBlock& block = m_Reader->Output();
        if (!block.Delivered()) return E_FAIL;
        // Two 16-bit elements per value, low word first: the bytes of the 32-bit values.
        I2ArrayToVariant(static_cast<ULONG>(block.Count()) * 2, pVal,
                         [&](void* data) { block.CopyTo(static_cast<std::int32_t*>(data)); });
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::_getBlock(short** pVal) {
    return MemberCall("_getBlock", Needs::Recording, {pVal}, [&] {
        const OutputBlock& block = m_Reader->Output();
        if (!block.Delivered()) return E_FAIL;
        // The reader's own block: valid until the next read or close.
        *pVal = static_cast<short*>(const_cast<void*>(block.Data()));
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::get_BlockSize(LONG* pVal) {
    return MemberCall("get_BlockSize", Needs::Recording, {pVal}, [&] {
        *pVal = m_Reader->Output().Count();
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::get_SampleNumber(LONG* pVal) {
    return MemberCall("get_SampleNumber", Needs::Recording, {pVal}, [&] {
        *pVal = m_Reader->LastSampleNumber();
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::get_Overrun(VARIANT_BOOL* pVal) {
    return MemberCall("get_Overrun", Needs::Recording, {pVal}, [&] {
        *pVal = m_Reader->ReadOverrun() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT CQVRecorderFileReader::put_ChannelSelection(VARIANT value) {
    return MemberCall("put_ChannelSelection", Needs::Recording, {}, [&]() -> HRESULT {
        SAFEARRAY* array = V_VT(&value) == (VT_ARRAY | VT_I4) ? V_ARRAY(&value) : nullptr;
        LONG lower = 0;
        LONG upper = -1;
        // The elements are read as 32-bit numbers: an array of anything else is refused.
        if (array == nullptr || array->cDims != 1 || array->cbElements != sizeof(LONG) ||
            FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
            FAILED(SafeArrayGetUBound(array, 1, &upper)))
            return E_INVALIDARG;
        void* data = nullptr;
        if (FAILED(SafeArrayAccessData(array, &data))) return E_FAIL;
        m_Reader->ClearSelection();
        bool accepted = true;
        const auto* elements = static_cast<const LONG*>(data);
        for (std::int64_t i = 0; i <= std::int64_t{upper} - lower; ++i)
            accepted = m_Reader->AddToSelection(elements[i]) && accepted;
        SafeArrayUnaccessData(array);
        return accepted ? S_OK : E_FAIL;
    });
}

HRESULT CQVRecorderFileReader::clearSelection(LONG) {
    return MemberCall("clearSelection", Needs::Recording, {}, [&] {
        m_Reader->ClearSelection();
        return S_OK;
    });
}

}  // namespace tarn
