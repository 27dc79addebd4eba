// A recording opened and scanned through the component (the Python module's _tarn.Reader): the
// calls of IQVRecorderFileReader and IQVRecorderFileReader2 that the tarn package builds on, with
// failures as tarn.Error and results as Python values and NumPy arrays.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include "component/client/ComponentRecording.h"

namespace tarn::python {

class Reader {
public:
    // Opens path (loadRECFile: names, units, aliases, date and time from the .REC file beside it)
    // and scans it; progress: a progress bar on stderr driven by OnProgress.
    Reader(const std::string& path, bool loadRECFile, bool progress);

    void Close();
    LONG ChannelCount();
    pybind11::object SampleFrequency();  // None when the recording does not say
    pybind11::object Description();      // None without a setup text
    // A parameter's text; None when the section has no such key.
    pybind11::object Parameter(LONG section, const std::u16string& key);
    pybind11::object CorrectionFactor(LONG channel);  // None without a setup text
    bool Is32Bit(LONG channel);
    // [first, last): the samples every channel has, in the recording's numbering.
    std::pair<LONG, LONG> SampleRange();
    // One past the channel's last sample (counted from its first), looked for from sample from
    // on: the samples up to a gap, or, when it lacks sample from - 1, the first one it lacks.
    LONG ChannelEnd(LONG channel, LONG from);
    pybind11::object RecInfo();  // bytes, or None when the recording has none
    // (DC channel, block index, sample number, [(key, value), ...]) for each DC block in [start, stop).
    pybind11::list DCBlocks(LONG start, LONG stop);
    // The channel's samples [start, stop), as far as it has them; int32 when wide, else int16.
    // Calls of at most piece samples: a longer range is read in pieces into one array.
    pybind11::array Samples(LONG channel, LONG start, LONG stop, bool wide, LONG piece);
    // The values the compressed retrieval gives for count values over [start, stop) (0, 0: all).
    pybind11::array Overview(ULONG channel, ULONG count, ULONG start, ULONG stop, bool wide);

private:
    client::Recording m_Recording;
    std::mutex m_Lock;
};

}  // namespace tarn::python
