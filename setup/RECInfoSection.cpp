#include "setup/RECInfoSection.h"

#include <memory>

namespace tarn {

namespace {

struct TaskMemFree {
    void operator()(BYTE* memory) const { CoTaskMemFree(memory); }
};

RECInfoStatus ReadAt(platform::File& file, std::int32_t position, std::int32_t size, BYTE*& block) {
    // Checked before allocating, so the block is never larger than the file.
    const std::int64_t length = file.Length();
    if (length < 0 || std::int64_t{position} + size > length) return RECInfoStatus::Failed;
    const auto bytes = static_cast<std::size_t>(size);
    std::unique_ptr<BYTE, TaskMemFree> memory(static_cast<BYTE*>(CoTaskMemAlloc(bytes)));
    if (!memory) return RECInfoStatus::OutOfMemory;
    // Never hand out bytes that were not read from the file.
    if (!file.Seek(position) || (bytes > 0 && file.Read(memory.get(), bytes) != bytes)) return RECInfoStatus::Failed;
    block = memory.release();
    return RECInfoStatus::Ok;
}

}  // namespace

RECInfoStatus ReadRECInfoSection(platform::File& file, std::int32_t position, std::int32_t size, BYTE*& block) {
    if (position < 0 || size < 0) return RECInfoStatus::Failed;
    const std::int64_t resume = file.Tell();
    if (resume < 0) return RECInfoStatus::Failed;
    BYTE* read = nullptr;
    RECInfoStatus status = ReadAt(file, position, size, read);
    if (!file.Seek(resume)) status = RECInfoStatus::Failed;
    if (status == RECInfoStatus::Ok)
        block = read;
    else
        CoTaskMemFree(read);
    return status;
}

}  // namespace tarn
