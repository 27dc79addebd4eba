// The extension module tarn._tarn: the component's calls for the tarn package, which gives
// them their Python shape (tarn/__init__.py).
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "python/src/BlockStream.h"
#include "python/src/ClientArray.h"
#include "python/src/ComCall.h"
#include "python/src/ExampleFiles.h"
#include "python/src/Reader.h"
#include "python/src/Writer.h"

namespace py = pybind11;
using namespace tarn::python;

PYBIND11_MODULE(_tarn, module) {
    module.doc() = "The tarn component's calls; use the tarn package.";
    module.attr("__version__") = TARN_VERSION;
    RegisterComError(module);

    py::class_<Reader>(module, "Reader")
        .def(py::init<const std::string&, bool, bool>(), py::arg("path"), py::arg("rec"), py::arg("progress"))
        .def("close", &Reader::Close)
        .def("channel_count", &Reader::ChannelCount)
        .def("sample_frequency", &Reader::SampleFrequency)
        .def("description", &Reader::Description)
        .def("parameter", &Reader::Parameter)
        .def("correction_factor", &Reader::CorrectionFactor)
        .def("is_32bit", &Reader::Is32Bit)
        .def("sample_range", &Reader::SampleRange)
        .def("channel_end", &Reader::ChannelEnd)
        .def("rec_info", &Reader::RecInfo)
        .def("dc_blocks", &Reader::DCBlocks)
        .def("samples", &Reader::Samples)
        .def("overview", &Reader::Overview);

    py::class_<BlockStream>(module, "BlockStream")
        .def(py::init<const std::string&, bool, const std::vector<LONG>&>())
        .def("next", &BlockStream::Next, py::arg("rows") = 0);

    py::class_<ChannelSetup>(module, "ChannelSetup")
        .def(py::init<std::u16string, std::u16string, std::u16string>());
    py::class_<Writer>(module, "Writer")
        .def(py::init<const std::string&, const std::u16string&, const std::vector<ChannelSetup>&, const py::object&>())
        .def("write", &Writer::Write)
        .def("write_dc", &Writer::WriteDC)
        .def("close", &Writer::Close);

    module.def("_freed_arrays", &FreedClientArrays, "How many component blocks arrays have given back.");
    module.def(
        "_write_example",
        [](const std::string& path, std::uint32_t channels, std::uint32_t blocks, std::uint32_t blockSamples,
           std::uint32_t gapChannel) {
            if (channels == 0 || channels > 65536 || blockSamples == 0 || blockSamples % 2 != 0 || blockSamples > 65536)
                throw py::value_error("1..65536 channels and an even block length of 2..65536 samples");
            if (!WriteExampleFile(path, {channels, blocks, blockSamples, gapChannel}))
                throw std::runtime_error("cannot write " + path);
        },
        py::arg("path"), py::arg("channels") = 4, py::arg("blocks") = 4, py::arg("block_samples") = 1024,
        py::arg("gap_channel") = 0);
}
