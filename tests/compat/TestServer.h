// The in-process server that activation tests load from a shared library: one class whose
// objects answer 42, and DllGetClassObject (which one build leaves out).
#pragma once

#include "compat/compat.h"

namespace tarn::test {

// {6E1F3C2A-5B7D-4C8E-9A0B-1C2D3E4F5A6B}
inline const CLSID CLSID_TestAnswer = {0x6E1F3C2A, 0x5B7D, 0x4C8E, {0x9A, 0x0B, 0x1C, 0x2D, 0x3E, 0x4F, 0x5A, 0x6B}};
// {6E1F3C2B-5B7D-4C8E-9A0B-1C2D3E4F5A6B}
inline const IID IID_ITestAnswer = {0x6E1F3C2B, 0x5B7D, 0x4C8E, {0x9A, 0x0B, 0x1C, 0x2D, 0x3E, 0x4F, 0x5A, 0x6B}};

struct ITestAnswer : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Answer(LONG* value) = 0;

protected:
    ~ITestAnswer() = default;
};

}  // namespace tarn::test
