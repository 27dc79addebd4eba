// Arbitrary bytes as the setup text of a recording with a chosen number of channels: parsed into
// the parameter store, then every section's correction factor and a few keys read back.
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "setup/ParamList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarn;
    fuzz::SplitInput input(data, size);
    FuzzedDataProvider& arguments = input.Arguments();
    // Sections 0 .. channels: the recorder's and one per channel.
    const int channels = arguments.ConsumeIntegralInRange(0, 17);
    CParamList params;
    if (!params.Init(channels + 1)) return 0;
    params.ParseSetupSection(input.Body());
    const std::string key = arguments.ConsumeRemainingBytesAsString();
    for (int section = -1; section <= params.GetSectionCount(); ++section) {
        double factor = 0.0;
        params.GetCorrectionFactor(section, factor);
        for (const std::string_view name : {std::string_view("SignalName"), std::string_view(key)}) {
            VARIANT value;
            VariantInit(&value);
            params.GetParameter(section, name, &value);
            VariantClear(&value);
        }
    }
    params.SetParameter(0, key, input.Body().substr(0, 64));
    return 0;
}
