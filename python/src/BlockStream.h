// Sequential reading of a recording (the Python module's _tarn.BlockStream): a component object
// of its own, opened without a scan in the chosen layout, so every stream starts at the first
// block and no two streams move each other.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include "component/client/ComponentRecording.h"

namespace tarn::python {

class BlockStream {
public:
    // byChannel: the component delivers channel after channel (RF_BlockInterleaved), else sample
    // by sample; channels: the selection (from 1, in column order), empty for every channel.
    BlockStream(const std::string& path, bool byChannel, const std::vector<LONG>& channels);

    // The next block: (its first sample number, int32 array of samples x channels); None at the end.
    pybind11::object Next();

private:
    client::Recording m_Recording;
    std::mutex m_Lock;
    bool m_ByChannel;
    std::size_t m_Columns = 0;
};

}  // namespace tarn::python
