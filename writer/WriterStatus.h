// The outcome of a writer operation. The writer's classes stay free of automation types; the
// interface layer turns a status into its result code with WriterStatusCode (component/WriterStatusCode.h):
//
//   Ok              -> S_OK
//   Failed          -> E_FAIL        (a write, seek or file open failed; a call out of order)
//   InvalidArgument -> E_INVALIDARG  (a channel, count or size the file cannot carry)
//   NullPointer     -> E_POINTER     (data missing where bytes are needed)
//
// Running out of memory is not a status: it throws std::bad_alloc, which the interface layer
// reports as E_OUTOFMEMORY.
#pragma once

namespace tarn {

enum class WriterStatus { Ok, Failed, InvalidArgument, NullPointer };

}  // namespace tarn
