// Setup texts for the setup tests, and reading values back out of a CParamList.
#pragma once

#include "setup/BstrText.h"
#include "setup/ParamList.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace tarn::test {

// Builds a text the way the writer lays it out: every line is LF followed by its content.
class SetupText {
public:
    SetupText& Line(std::string_view content) {
        (m_Text += '\n') += content;
        return *this;
    }
    SetupText& Lines(std::initializer_list<std::string> lines) {
        for (const std::string& line : lines) Line(line);
        return *this;
    }
    // "[SETUP START]" and the eight recorder-level keys.
    SetupText& Recorder(int channels) {
        return Lines({"[SETUP START]", "RECInfoSectionSize=0", "RECInfoSectionPos=00000000",
                      "NoChannels=" + std::to_string(channels), "SampleFrequency=48000.0",
                      "DataType=Integer", "DataBitSize=16", "FormatID=PortableCORAL", "Version=1.00.000"});
    }
    SetupText& Channel(int n) {
        const std::string name = "Signal " + std::to_string(n);
        return Lines({"[Channel " + std::to_string(n) + "]", "SignalName=" + name, "OrgSignalName=" + name,
                      "CorrectionFactor=0.0001", "Offset=0.000000", "Unit=Pa", "OverloadRatio=1.0"});
    }
    // "[SETUP STOP]" and the final LF.
    SetupText& Stop() {
        Line("[SETUP STOP]").m_Text += '\n';
        return *this;
    }
    const std::string& str() const { return m_Text; }

private:
    std::string m_Text;
};

inline std::string WriterLayout(int channels) {
    SetupText text;
    text.Recorder(channels);
    for (int n = 1; n <= channels; ++n) text.Channel(n);
    return text.Stop().str();
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
