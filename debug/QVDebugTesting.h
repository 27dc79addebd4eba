// Test seam of the trace facility: not for component code.
#pragma once

#include <cstdint>

namespace tarn::QVDebug::Testing {

// Back to the state before the first trace statement: level 119 (configuration not read), both
// flags on, empty keyword list, no refresh. The calling thread's origin is cleared too.
void Reset();

// Where the refresh decision reads the tick count; nullptr restores platform::TickCount.
using TickSource = std::uint32_t (*)();
void SetTickSource(TickSource source);

}  // namespace tarn::QVDebug::Testing
