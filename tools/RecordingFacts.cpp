#include "tools/RecordingFacts.h"

#include <algorithm>
#include <limits>


namespace tarn::tool {

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find(separator, at), text.size());
        if (end > at) parts.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return parts;
}

ChannelFacts GatherChannel(Recording& recording, LONG channel, LONG commonEnd) {
    IQVRecorderFileReader& reader = *recording.reader.Get();
    ChannelFacts facts;
    facts.number = channel;
    facts.name = SignalName(reader, channel);
    std::string unit;
    if (UnitOf(reader, channel, unit)) facts.unit = unit;
    facts.aliases = Split(Parameter(reader, u"SignalAliases", channel), '\t');
    double factor = 0;
    if (SUCCEEDED(reader.GetCorrectionFactor(channel, &factor))) facts.factor = factor;
    LONG is32Bit = 0;
    reader.Is32BitData(channel - 1, &is32Bit);
    facts.is32Bit = is32Bit != 0;
    facts.overrun = Parameter(reader, u"OverrunLatched", channel) == "Yes";
    ChannelEnd(*recording.reader2.Get(), channel, commonEnd, facts.end);
    return facts;
}

}  // namespace

RecordingFacts Gather(Recording& recording, const std::string& path) {
    IQVRecorderFileReader& reader = *recording.reader.Get();
    IQVRecorderFileReader2& reader2 = *recording.reader2.Get();
    RecordingFacts facts;
    facts.path = path;
    facts.length = FileLength(path);
    double frequency = 0;
    if (SUCCEEDED(reader.get_SampleFrequency(&frequency))) facts.frequency = frequency;
    facts.date = Parameter(reader, u"Date", 0);
    facts.time = Parameter(reader, u"Time", 0);
    facts.dataBitSize = Parameter(reader, u"DataBitSize", 0);
    reader.GetFirstTriggerSample(&facts.firstTrigger);
    reader2.GetFirstSampleNumber(&facts.first);
    reader2.GetLastSampleNumber(&facts.last);
    LONG channels = 0;
    reader.get_NumberOfChannels(&channels);
    for (LONG channel = 1; channel <= channels; ++channel)
        facts.channels.push_back(GatherChannel(recording, channel, std::max<LONG>(0, facts.last - facts.first)));
    VARIANT list;
    VariantInit(&list);
    if (SUCCEEDED(reader2.GetDCChannelIndexes(0, std::numeric_limits<LONG>::max(), &list))) {
        for (const auto& [dcChannel, block] : DCIndexPairs(list)) {
            if (dcChannel < 0 || dcChannel > 0xFFFF) continue;
            if (facts.dcBlocks.size() <= static_cast<std::size_t>(dcChannel)) facts.dcBlocks.resize(dcChannel + 1);
            ++facts.dcBlocks[dcChannel];
        }
    }
    VariantClear(&list);
    return facts;
}

}  // namespace tarn::tool
