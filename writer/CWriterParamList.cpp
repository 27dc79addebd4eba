#include "writer/CWriterParamList.h"

#include "format/RecordingLayout.h"
#include "writer/WriterStream.h"

namespace tarn {

namespace {

constexpr SetupKey kChannelKeys[] = {
    {u"SignalName", u"", true},      {u"OrgSignalName", u"", true},
    {u"CorrectionFactor", u"0.0001", true}, {u"Offset", u"0.000000", true},
    {u"OverloadRatio", u"0.000000", true},  {u"Unit", u"Pa", true},
};

// NoChannels is the writer's own: a client's "NoChannels" becomes an extra line.
constexpr SetupKey kRecorderKeys[] = {
    {u"SampleFrequency", u"", true}, {u"NoChannels", u"", false},
    {u"DataType", u"Integer", true}, {u"DataBitSize", u"16", true},
    {u"FormatID", u"PortableCORAL", true}, {u"Version", u"1.00.000", true},
};

template <class T, std::size_t N> constexpr std::size_t CountOf(const T (&)[N]) { return N; }

std::u16string DecimalText(std::int32_t value) {
    const std::string narrow = std::to_string(value);
    return std::u16string(narrow.begin(), narrow.end());
}

bool HasLineBreak(std::u16string_view text) { return text.find_first_of(u"\r\n") != std::u16string_view::npos; }

}  // namespace

CWriterChannelParams::CWriterChannelParams() : SetupLines(kChannelKeys, CountOf(kChannelKeys)) {}

CWriterParamList::CWriterParamList() : m_RecorderLines(kRecorderKeys, CountOf(kRecorderKeys)) {}

WriterStatus CWriterParamList::SetNumberOfChannels(std::int32_t count) {
    if (count < 0 || static_cast<std::uint32_t>(count) > layout::kMaxNumberOfChannels)
        return WriterStatus::InvalidArgument;
    const auto records = static_cast<std::size_t>(count);
    if (m_Channels.size() < records) m_Channels.resize(records);
    m_RecorderLines.SetLine(NoChannels, DecimalText(count));
    m_ChannelCount = count;
    return WriterStatus::Ok;
}

WriterStatus CWriterParamList::SetParameter(std::u16string_view name, std::int32_t channel,
                                            std::u16string_view value) {
    // A line break would end the line early: what follows could open a section of its own, or end
    // the setup text, and the reader would lose the parameters after it.
    if (HasLineBreak(name) || HasLineBreak(value)) return WriterStatus::InvalidArgument;
    if (channel == 0) {
        m_RecorderLines.Set(name, value);
        return WriterStatus::Ok;
    }
    if (channel < 1 || channel > m_ChannelCount) return WriterStatus::InvalidArgument;
    m_Channels[static_cast<std::size_t>(channel - 1)].Set(name, value);
    return WriterStatus::Ok;
}

std::string CWriterParamList::SetupChunk(std::int32_t recInfoSize, std::size_t& placeholderOffset) const {
    std::string chunk(layout::kSetupMagic, layout::kSetupMagicLength);
    chunk.append(4, '\0');  // the chunk size, patched in the file once the chunk's end is known
    chunk += "\n[SETUP START]";
    chunk += "\nRECInfoSectionSize=" + std::to_string(recInfoSize);
    chunk += "\nRECInfoSectionPos=";
    placeholderOffset = chunk.size();
    chunk.append(kPlaceholderDigits, '0');
    m_RecorderLines.AppendTo(chunk);
    for (std::int32_t k = 1; k <= m_ChannelCount; ++k) {
        chunk += "\n[Channel " + std::to_string(k) + "]";
        m_Channels[static_cast<std::size_t>(k - 1)].AppendTo(chunk);
    }
    chunk += "\n[SETUP STOP]\n";
    return chunk;
}

bool CWriterParamList::Write(platform::File& file, std::int32_t recInfoSize) {
    const std::int64_t start = file.Tell();
    if (start < 0) return false;
    std::size_t placeholderOffset = 0;
    const std::string chunk = SetupChunk(recInfoSize, placeholderOffset);
    m_PlaceholderPosition = start + static_cast<std::int64_t>(placeholderOffset);
    return WriteAll(file, chunk.data(), chunk.size());
}

}  // namespace tarn
