// Arbitrary bytes as the trace configuration file, read afresh for every input: the profile
// reader, the level and flags, the keyword list and its filter, and periodic re-reading, with
// trace statements at every level and under keywords cut from the input.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "debug/QVDebug.h"
#include "debug/QVDebugTesting.h"
#include "fuzz/FuzzSupport.h"
#include "platform/platform.h"

namespace {

// Each statement finds its refresh interval past, so a configuration that asks for re-reading is
// read again.
std::uint32_t g_Tick = 0;
std::uint32_t AdvancingTicks() { return g_Tick += 1000; }

void CountLine(const char*, void* context) { ++*static_cast<std::size_t*>(context); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The configuration directory is the scratch folder, before the first statement reads it.
    setenv("TARN_CONFIG_DIR", tarn::fuzz::ScratchFolder::Get().Path().c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarn;
    fuzz::SplitInput input(data, size);
    fuzz::ScratchFolder::Get().Write("CoralDSP.ini", input.Body());
    QVDebug::Testing::Reset();
    QVDebug::Testing::SetTickSource(&AdvancingTicks);
    std::size_t lines = 0;
    platform::SetDebugOutputSink(&CountLine, &lines);
    // A keyword from the argument bytes (up to 250 characters: longer than the 200 compared).
    FuzzedDataProvider& arguments = input.Arguments();
    const std::string ownKeyword = arguments.ConsumeRandomLengthString(250);
    const std::string cut(input.Body().substr(0, 250));
    for (const char* keyword : {"", "TARN", ownKeyword.c_str(), cut.c_str()}) {
        for (const std::int32_t level : {-1, 1, 4, 5}) QV_TRACE(keyword, level, "%s %d", keyword, level);
    }
    QVDebug::QVTraceDefault("%s", "default");
    // The profile reader beyond the trace's own section and keys, into a buffer of any size.
    const std::string section = arguments.ConsumeRandomLengthString(16);
    const std::string key = arguments.ConsumeRandomLengthString(16);
    char value[64];
    const auto room = arguments.ConsumeIntegralInRange<std::uint32_t>(0, sizeof value);
    platform::ProfileString("CoralDSP.ini", section.c_str(), key.c_str(), " default ", value, room);
    platform::ProfileInt("CoralDSP.ini", section.c_str(), key.c_str(), -7);
    QVDebug::QVTrace(nullptr, 1, nullptr);
    platform::SetDebugOutputSink(nullptr, nullptr);
    QVDebug::Testing::SetTickSource(nullptr);
    return 0;
}
