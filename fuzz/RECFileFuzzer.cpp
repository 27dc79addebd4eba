// Arbitrary bytes as the companion .REC file beside a small recording, which the component opens
// with EnableLoadRECFileWithCORAL: the project's own server (registered in this process) reads
// the file, the loader stores its answers, and they are read back through the interface.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "component/com/ClassFactory.h"
#include "component/recimport/RECImport.h"
#include "format/RecordingBuilder.h"
#include "fuzz/ComponentSupport.h"
#include "fuzz/FuzzSupport.h"
#include "setup/BstrText.h"

namespace {

constexpr std::uint32_t kChannels = 3;
std::string g_RecordingPath;

void ReadBack(IQVRecorderFileReader& reader) {
    for (const char16_t* key : {u"Date", u"Time", u"SignalName", u"OrgSignalName", u"SignalAliases", u"Unit"}) {
        const tarn::UniqueBstr name(tarn::AllocBstr(key));
        for (LONG section = 0; section <= static_cast<LONG>(kChannels); ++section) {
            VARIANT value;
            VariantInit(&value);
            reader.getParameter(name.get(), section, &value);
            VariantClear(&value);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    using namespace tarn;
    // The server found by its class, as a registered module would be.
    static com::ClassFactory factory(CLSID_RECImport, &recimport::RECImport::Create);
    DWORD cookie = 0;
    if (FAILED(factory.RegisterInProcess(&cookie))) std::abort();
    RecordingBuilder recording;
    recording.Setup("\n[SETUP START]\nNoChannels=3\n[Channel 1]\nSignalName=kept\n[SETUP STOP]\n").Header(kChannels);
    for (std::uint16_t id = 0; id < kChannels; ++id) recording.Samples16({1, 2}, Block().Id(id));
    const auto& bytes = recording.bytes();
    g_RecordingPath = fuzz::ScratchFolder::Get().Write(
        "RECORDING.DAT", std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarn::fuzz;
    ScratchFolder::Get().Write("RECORDING.REC", AsText(data, size));
    ComponentRecording recording = OpenThroughComponent(g_RecordingPath, true);
    if (!recording.open) std::abort();   // the recording is sound whatever its .REC file holds
    ReadBack(*recording.reader.Get());
    return 0;
}
