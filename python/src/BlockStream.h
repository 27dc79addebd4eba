// Sequential reading of a recording (the Python module's _tarn.BlockStream): a component object
// of its own, opened without a scan in the chosen layout, so every stream starts at the first
// block and no two streams move each other.
#pragma once

#include <cstdint>
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
    ~BlockStream();
    BlockStream(const BlockStream&) = delete;
    BlockStream& operator=(const BlockStream&) = delete;

    // The next table: (its first sample number, int32 array of samples x channels); rows 0: the
    // next block as delivered, else up to rows samples of consecutive blocks, a gap or the end
    // ending it early. None at the end.
    pybind11::object Next(std::size_t rows);

private:
    // Takes the next delivered block in (under the lock, without the GIL); false at the end.
    bool Take();
    // Gives the held block back.
    void Drop();

    client::Recording m_Recording;
    std::mutex m_Lock;
    bool m_ByChannel;
    std::size_t m_Columns = 0;
    // The block taken and not yet handed out in full: its values, first sample number, rows, and
    // the rows handed out so far.
    VARIANT m_Block;
    const std::int32_t* m_Values = nullptr;
    LONG m_Start = 0;
    std::size_t m_Rows = 0;
    std::size_t m_Used = 0;
};

}  // namespace tarn::python
