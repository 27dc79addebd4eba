// Dispatch traits of the component's three dual interfaces: their identity and their member
// tables (the late binding of the POSIX build; on Windows the tables only serve the tests that
// keep them, the IDL and the type library in step).
#pragma once

#include "component/TarnInterfaces.h"
#include "component/com/Dispatch.h"

namespace tarn::com {

template <class I, const IID& InterfaceId>
struct TarnDispatchTraits {
    static const IID& Iid() { return InterfaceId; }
    static const GUID& LibId() { return LIBID_TARNLib; }
    static constexpr WORD kMajorVersion = kTARNLibMajorVersion;
    static constexpr WORD kMinorVersion = kTARNLibMinorVersion;
    // The library's own locale: the one it is registered under.
    static constexpr LCID kLocale = kTARNLibLocale;
};

template <>
struct DispatchTraits<IQVRecorderFileReader>
    : TarnDispatchTraits<IQVRecorderFileReader, IID_IQVRecorderFileReader> {
    static const MemberTable& Members();
};
template <>
struct DispatchTraits<IQVRecorderFileReader2>
    : TarnDispatchTraits<IQVRecorderFileReader2, IID_IQVRecorderFileReader2> {
    static const MemberTable& Members();
};
template <>
struct DispatchTraits<IQVRecorderFileWriter>
    : TarnDispatchTraits<IQVRecorderFileWriter, IID_IQVRecorderFileWriter> {
    static const MemberTable& Members();
};

}  // namespace tarn::com
