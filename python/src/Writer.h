// A recording written through the component's writer interface (the Python module's
// _tarn.Writer). The tarn package checks arguments first; this side only makes the calls.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include "component/TarnInterfaces.h"
#include "component/client/ComPtr.h"

namespace tarn::python {

struct ChannelSetup {
    std::u16string name;
    std::u16string unit;
    std::u16string correctionFactor;  // as text; empty: none
};

class Writer {
public:
    // Creates path with the setup section written and the data section begun.
    Writer(const std::string& path, const std::u16string& sampleFrequency, const std::vector<ChannelSetup>& channels,
           const pybind11::object& recInfo);

    // The samples (a contiguous 1-D int16 or int32 array) as blocks of the channel; overload
    // flags each block.
    void Write(LONG channel, const pybind11::array& samples, bool overload);
    // A DC block at the recorder's sample number with (key, value) entries.
    void WriteDC(std::uint32_t sample, const std::vector<std::pair<std::uint16_t, std::int32_t>>& values);
    void Close();

private:
    client::ComPtr<IQVRecorderFileWriter> m_Writer;
    std::mutex m_Lock;
};

}  // namespace tarn::python
