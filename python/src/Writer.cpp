#include "python/src/Writer.h"

#include <algorithm>
#include <cstring>

#include "format/RecordingBuilder.h"
#include "platform/platform.h"
#include "python/src/ComCall.h"
#include "setup/BstrText.h"

namespace py = pybind11;

namespace tarn::python {

namespace {

// Samples per block: even (16-bit blocks must be) and well inside the largest block.
constexpr std::size_t kBlockSamples = 8192;

HRESULT SetText(IQVRecorderFileWriter& writer, const char16_t* key, LONG channel, const std::u16string& value) {
    const UniqueBstr name(AllocBstr(key)), text(AllocBstr(value));
    return writer.SetParameter(name.get(), channel, text.get());
}

}  // namespace

Writer::Writer(const std::string& path, const std::u16string& sampleFrequency, const std::vector<ChannelSetup>& channels,
               const py::object& recInfo) {
    std::string info;
    if (!recInfo.is_none()) info = recInfo.cast<std::string>();
    EnsureComponent();
    WithoutGil(m_Lock, [&] {
        Check(CoCreateInstance(CLSID_QVRecorderFileReader, nullptr, CLSCTX_INPROC_SERVER, IID_IQVRecorderFileWriter,
                               m_Writer.PutVoid()),
              "creating the component");
        IQVRecorderFileWriter& writer = *m_Writer.Get();
        const UniqueBstr name(AllocBstr(platform::FileNameToWide(path)));
        Check(writer.put_FileName(name.get()), "FileName");
        Check(writer.OpenFile(), ("cannot create " + path).c_str());
        Check(writer.SetNumberOfChannels(static_cast<LONG>(channels.size())), "SetNumberOfChannels");
        Check(SetText(writer, u"SampleFrequency", 0, sampleFrequency), "SetParameter");
        for (std::size_t k = 0; k < channels.size(); ++k) {
            const LONG channel = static_cast<LONG>(k) + 1;
            Check(SetText(writer, u"SignalName", channel, channels[k].name), "SetParameter");
            Check(SetText(writer, u"Unit", channel, channels[k].unit), "SetParameter");
            if (!channels[k].correctionFactor.empty())
                Check(SetText(writer, u"CorrectionFactor", channel, channels[k].correctionFactor), "SetParameter");
        }
        if (!info.empty()) {
            // The writer takes the block over, also when it refuses it.
            auto* block = static_cast<BYTE*>(CoTaskMemAlloc(info.size()));
            if (block == nullptr) ThrowComError(E_OUTOFMEMORY, "SetRECInfoArray");
            std::memcpy(block, info.data(), info.size());
            Check(writer.SetRECInfoArray(static_cast<LONG>(info.size()), block), "SetRECInfoArray");
        }
        Check(writer.WriteSetupSection(), "WriteSetupSection");
        Check(writer.InitializeBinaryDataSection(0), "InitializeBinaryDataSection");
        return 0;
    });
}

void Writer::Write(LONG channel, const py::array& samples, bool overload) {
    const auto width = static_cast<std::size_t>(samples.itemsize());
    const std::size_t count = static_cast<std::size_t>(samples.size());
    // The array is the caller's and stays alive for the call; the writer only reads it.
    auto* data = static_cast<BYTE*>(const_cast<void*>(samples.data()));
    const BYTE status = overload ? 1 : 0;
    WithoutGil(m_Lock, [&] {
        IQVRecorderFileWriter& writer = *m_Writer.Get();
        for (std::size_t done = 0; done < count; done += kBlockSamples) {
            const auto n = static_cast<LONG>(std::min(kBlockSamples, count - done));
            BYTE* block = data + done * width;
            Check(width == 4 ? writer.Create32bitBinaryDataBlockWithOverloadStatus(channel, n, block, status)
                             : writer.CreateBinaryDataBlockWithOverloadStatus(channel, n, block, status),
                  "writing a sample block");
        }
        return 0;
    });
}

void Writer::WriteDC(std::uint32_t sample, const std::vector<std::pair<std::uint16_t, std::int32_t>>& values) {
    std::vector<DCValue> entries;
    for (const auto& [key, value] : values) entries.push_back({key, 0, static_cast<std::uint32_t>(value)});
    std::vector<unsigned char> block = RecordingBuilder().DC(entries, Block().SampleNo(sample)).bytes();
    Check(WithoutGil(m_Lock, [&] { return m_Writer->CreateDCChannelBlock(0, static_cast<LONG>(block.size()), block.data()); }),
          "CreateDCChannelBlock");
}

void Writer::Close() {
    Check(WithoutGil(m_Lock, [&] { return m_Writer->CloseFile(); }), "CloseFile");
}

}  // namespace tarn::python
