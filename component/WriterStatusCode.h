// The one place where a writer status becomes the result code of an interface member.
#pragma once

#include "compat/compat.h"
#include "writer/WriterStatus.h"

namespace tarn {

inline HRESULT WriterStatusCode(WriterStatus status) {
    switch (status) {
    case WriterStatus::Ok: return S_OK;
    case WriterStatus::InvalidArgument: return E_INVALIDARG;
    case WriterStatus::NullPointer: return E_POINTER;
    case WriterStatus::Failed: break;
    }
    return E_FAIL;
}

}  // namespace tarn
