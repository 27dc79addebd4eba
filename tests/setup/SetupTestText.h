// Setup texts for the setup tests, and reading values back out of a CParamList.
#pragma once

#include "setup/BstrText.h"
#include "setup/ParamList.h"

#include <optional>
#include <string>
#include <string_view>

namespace tarn::test {

// A text laid out as the writer lays it out: every line is LF followed by its content; the
// recorder's keys, then `channels` channel sections.
inline std::string WriterLayout(int channels, bool stop = true) {
    std::string text = "\n[SETUP START]\nRECInfoSectionSize=0\nRECInfoSectionPos=00000000\nNoChannels=" +
                       std::to_string(channels) + "\nSampleFrequency=48000.0\nVersion=1.00.000";
    for (int n = 1; n <= channels; ++n)
        text += "\n[Channel " + std::to_string(n) + "]\nSignalName=Signal " + std::to_string(n) +
                "\nCorrectionFactor=0.0001\nUnit=Pa\nOverloadRatio=1.0";
    return stop ? text + "\n[SETUP STOP]\n" : text;
}

// The stored value as UTF-16, or nothing when GetParameter leaves the VARIANT empty.
inline std::optional<std::u16string> Param(const CParamList& store, int section, std::string_view key) {
    VARIANT value;
    VariantInit(&value);
    store.GetParameter(section, key, &value);
    std::optional<std::u16string> result;
    if (V_VT(&value) == VT_BSTR) result = BstrText(V_BSTR(&value));
    VariantClear(&value);
    return result;
}

}  // namespace tarn::test
