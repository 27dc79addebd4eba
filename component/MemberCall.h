// CQVRecorderFileReader::MemberCall, for the files that implement the object's members. A body
// returns an HRESULT, or the writer's status, which becomes one here.
#pragma once

#include "component/CQVRecorderFileReader.h"
#include "component/ComCall.h"
#include "component/WriterStatusCode.h"

#include <type_traits>

namespace tarn {

template <typename Body>
HRESULT CQVRecorderFileReader::MemberCall(const char* method, Needs needs, std::initializer_list<const void*> outs,
                                          Body&& body) {
    return component::ComCall(method, [&]() -> HRESULT {
        for (const void* out : outs) {
            if (out == nullptr) return E_POINTER;
        }
        switch (needs) {
            case Needs::Nothing:
                break;
            case Needs::Recording:
                if (!IsRecordingOpen()) return E_FAIL;
                break;
            case Needs::SetupText:
                if (!HasSetupText()) return E_FAIL;
                break;
            case Needs::Writer:
                if (m_Writer == nullptr) return E_POINTER;
                break;
        }
        if constexpr (std::is_same_v<decltype(body()), WriterStatus>) {
            return WriterStatusCode(body());
        } else {
            return body();
        }
    });
}

}  // namespace tarn
