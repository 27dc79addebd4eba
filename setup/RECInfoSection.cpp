#include "setup/RECInfoSection.h"

#include <memory>

#include "platform/platform.h"

namespace tarn {

namespace {

struct TaskMemFree {
    void operator()(BYTE* memory) const { CoTaskMemFree(memory); }
};

}  // namespace

RECInfoStatus ReadRECInfoSection(const std::string& fileName, std::int32_t position, std::int32_t size,
                                 BYTE*& block) {
    if (position < 0 || size < 0) return RECInfoStatus::Failed;
    platform::File file;
    if (!file.Open(fileName, platform::File::Mode::Read)) return RECInfoStatus::Failed;
    // One read of a known length: the stream's own buffer would only add a copy.
    file.SetBufferSize(0);
    // Checked before allocating, so the block is never larger than the file.
    const std::int64_t length = file.Length();
    if (length < 0 || std::int64_t{position} + size > length) return RECInfoStatus::Failed;
    const auto bytes = static_cast<std::size_t>(size);
    std::unique_ptr<BYTE, TaskMemFree> memory(static_cast<BYTE*>(CoTaskMemAlloc(bytes)));
    if (!memory) return RECInfoStatus::OutOfMemory;
    // The file may have shrunk since its length was taken: never hand out bytes that were not read.
    if (!file.Seek(position) || (bytes > 0 && file.Read(memory.get(), bytes) != bytes)) return RECInfoStatus::Failed;
    block = memory.release();
    return RECInfoStatus::Ok;
}

}  // namespace tarn
