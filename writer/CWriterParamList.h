// The setup lines of a recording being written, and the setup chunk made of them: the recorder
// section (section 0) and one section per declared channel, each line ready-made with its
// default, so that writing is only putting them one after the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "writer/SetupLines.h"
#include "writer/WriterStatus.h"

namespace tarn {

// The lines of one channel section: SignalName, OrgSignalName, CorrectionFactor, Offset,
// OverloadRatio and Unit (in that written order), then its extra lines.
class CWriterChannelParams : public SetupLines {
public:
    enum Key : std::size_t { SignalName, OrgSignalName, CorrectionFactor, Offset, OverloadRatio, Unit };
    CWriterChannelParams();
};

class CWriterParamList {
public:
    // Recorder lines in written order.
    enum RecorderKey : std::size_t { SampleFrequency, NoChannels, DataType, DataBitSize, FormatID, Version };

    // "RECInfoSectionPos" is written as exactly this many zero-padded decimal digits.
    static constexpr std::size_t kPlaceholderDigits = 8;
    static constexpr std::int64_t kMaxPlaceholderValue = 99999999;

    CWriterParamList();

    // Channel sections 1 .. count are written. A channel keeps the lines already set for it when
    // the count changes; channels new to the list start with the defaults. InvalidArgument,
    // changing nothing, for a count outside 0 .. layout::kMaxNumberOfChannels (no reader takes
    // such a file, and each declared channel costs memory here).
    WriterStatus SetNumberOfChannels(std::int32_t count);

    // channel 0: the recorder section, at any time; 1 .. ChannelCount(): that channel's section.
    // InvalidArgument, changing nothing, for any other channel and for a CR or LF in the name or
    // the value.
    WriterStatus SetParameter(std::u16string_view name, std::int32_t channel, std::u16string_view value);

    // The setup chunk as written: "QVSU", the size word (0 until patched in the file), the setup
    // text from "\n[SETUP START]" to "\n[SETUP STOP]\n". placeholderOffset: where the digits of
    // "RECInfoSectionPos" stand in it.
    std::string SetupChunk(std::int32_t recInfoSize, std::size_t& placeholderOffset) const;

    // Writes SetupChunk in one write at the file's current position and notes where the digits
    // of "RECInfoSectionPos" landed. False when the position is unknown or the write is short.
    bool Write(platform::File& file, std::int32_t recInfoSize);

    std::int64_t PlaceholderPosition() const { return m_PlaceholderPosition; }
    std::int32_t ChannelCount() const { return m_ChannelCount; }

private:
    SetupLines m_RecorderLines;
    std::int32_t m_ChannelCount = 0;
    std::vector<CWriterChannelParams> m_Channels;  // never fewer than m_ChannelCount
    std::int64_t m_PlaceholderPosition = 0;
};

}  // namespace tarn
