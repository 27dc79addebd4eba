// tarn extract-rec FILE OUT: writes the REC info embedded in a recording to OUT, byte for byte,
// as GetRECInfoSection hands it to a client.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "component/ClientMemory.h"
#include "component/client/ComponentRecording.h"
#include "platform/platform.h"
#include "tools/Command.h"

namespace tarn::tool {

namespace {

struct ExtractRecOptions {
    std::string in, out;
};

int ExtractRecCommand(const ExtractRecOptions& options) {
    const std::string& in = options.in;
    const std::string& out = options.out;
    ComponentSession session;
    Recording recording;
    if (!session.Ok() || !OpenAndScan(recording, in)) return kExitFailure;
    LONG size = 0;
    BYTE* raw = nullptr;
    const HRESULT hr = recording.reader2->GetRECInfoSection(&size, &raw);
    const std::unique_ptr<BYTE, component::CoTaskMemDeleter> block(raw);
    if (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW) {
        std::fprintf(stderr, "tarn: the REC info position or size in %s is not a usable number\n", in.c_str());
        return kExitFailure;
    }
    if (FAILED(hr)) {
        std::fprintf(stderr, "tarn: the REC info of %s cannot be read (it lies beyond the file's end)\n", in.c_str());
        return kExitFailure;
    }
    if (size == 0) {
        std::fprintf(stderr, "tarn: %s has no embedded REC info\n", in.c_str());
        return kExitFailure;
    }
    platform::File file;
    const auto bytes = static_cast<std::size_t>(size);
    if (!file.Open(out, platform::File::Mode::Create) || file.Write(raw, bytes) != bytes || !file.Flush()) {
        std::fprintf(stderr, "tarn: cannot write %s: %s\n", out.c_str(), std::strerror(errno));
        return kExitFailure;
    }
    std::printf("%ld bytes of REC info written to %s\n", static_cast<long>(size), out.c_str());
    return kExitOk;
}

}  // namespace

void AddExtractRecCommand(CLI::App& tool) {
    const auto [command, options] = AddCommand(
        tool, "extract-rec", "Write the REC info embedded in a recording to OUT, byte for byte", "", ExtractRecCommand);
    AddRecording(*command, options->in);
    command->add_option("OUT", options->out, "The file to write")->required();
}

}  // namespace tarn::tool
