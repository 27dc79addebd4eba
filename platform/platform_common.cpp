// The parts of this layer that are the same on every operating system: the File stream logic
// and the debugger-output sink. The system calls come from platform_os.h.
#include "platform/platform.h"
#include "platform/platform_os.h"

#include <atomic>
#include <climits>
#include <mutex>

namespace tarn::platform {

// ---- Debugger output ------------------------------------------------------------------------

namespace {

struct DebugSinkState {
    std::mutex mutex;
    DebugSink sink = nullptr;
    void* context = nullptr;
};

DebugSinkState& SinkState() {
    static DebugSinkState state;
    return state;
}

}  // namespace

void SetDebugOutputSink(DebugSink sink, void* context) {
    DebugSinkState& state = SinkState();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.sink = sink;
    state.context = sink ? context : nullptr;
}

void DebugOutput(const char* line) {
    if (!line) return;
    DebugSinkState& state = SinkState();
    // The sink runs under the lock so that a caller clearing it can then destroy its context.
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.sink)
        state.sink(line, state.context);
    else
        os::WriteDebuggerLine(line);
}

// ---- File -----------------------------------------------------------------------------------

File::~File() { Close(); }

File::File(File&& other) noexcept { MoveFrom(other); }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        MoveFrom(other);
    }
    return *this;
}

void File::MoveFrom(File& other) noexcept {
    m_File = other.m_File;
    m_LastOp = other.m_LastOp;
    m_Buffer = std::move(other.m_Buffer);   // the stream keeps pointing at the same memory
    m_BufferSize = other.m_BufferSize;
    other.m_File = nullptr;
    other.m_LastOp = LastOp::None;
    other.m_BufferSize = 0;
}

bool File::Open(const std::string& name, Mode mode) {
    Close();
    const char* modeText = mode == Mode::Read ? "rb" : "wb";
    m_File = os::OpenStream(name, modeText);
    m_LastOp = LastOp::None;
    return m_File != nullptr;
}

void File::Close() {
    if (m_File) std::fclose(m_File);
    m_File = nullptr;
    m_LastOp = LastOp::None;
}

void File::SetBufferSize(std::size_t bytes) {
    if (!m_File) return;
    if (bytes == 0) {
        std::setvbuf(m_File, nullptr, _IONBF, 0);
        return;
    }
    if (bytes > INT_MAX) bytes = INT_MAX;   // the Windows runtime rejects larger buffers
    if (bytes < 2) bytes = 2;               // ... and smaller ones
    if (!m_Buffer || m_BufferSize < bytes) {
        // Install the new buffer before the old one goes away.
        std::unique_ptr<char[]> buffer(new char[bytes]);
        if (std::setvbuf(m_File, buffer.get(), _IOFBF, bytes) == 0) {
            m_Buffer = std::move(buffer);
            m_BufferSize = bytes;
        }
        return;
    }
    std::setvbuf(m_File, m_Buffer.get(), _IOFBF, bytes);
}

namespace {
std::atomic<std::uint64_t> g_FileBytesRead{0};
std::atomic<std::uint64_t> g_FileCalls{0};
}  // namespace

void os::CountFileCall() { g_FileCalls.fetch_add(1, std::memory_order_relaxed); }

std::uint64_t FileCalls() { return g_FileCalls.load(std::memory_order_relaxed); }

void os::CountFileBytesRead(std::size_t bytes) { g_FileBytesRead.fetch_add(bytes, std::memory_order_relaxed); }

std::uint64_t FileBytesRead() { return g_FileBytesRead.load(std::memory_order_relaxed); }

// ---- File faults ----------------------------------------------------------------------------

namespace {

struct FaultState {
    std::mutex mutex;
    FileFaults plan;
};

std::atomic<bool> g_FaultsSet{false};

FaultState& Faults() {
    static FaultState state;
    return state;
}

// What a budget of bytes (-1: unlimited) lets through of a request, taken from it.
std::size_t TakeFromBudget(std::int64_t& budget, std::size_t bytes) {
    if (budget < 0) return bytes;
    const std::size_t allowed = static_cast<std::uint64_t>(budget) < bytes ? static_cast<std::size_t>(budget) : bytes;
    budget -= static_cast<std::int64_t>(allowed);
    return allowed;
}

void SetPlan(const FileFaults& faults, bool set) {
    FaultState& state = Faults();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.plan = faults;
    g_FaultsSet.store(set, std::memory_order_release);
}

}  // namespace

void SetFileFaults(const FileFaults& faults) { SetPlan(faults, true); }

void ClearFileFaults() { SetPlan(FileFaults{}, false); }

bool os::FaultsSet() { return g_FaultsSet.load(std::memory_order_acquire); }

std::size_t os::AllowedRead(std::size_t bytes) {
    if (!FaultsSet()) return bytes;
    FaultState& state = Faults();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.plan.readChunk != 0 && bytes > state.plan.readChunk) bytes = state.plan.readChunk;
    return TakeFromBudget(state.plan.readBytes, bytes);
}

std::size_t os::AllowedWrite(std::size_t bytes) {
    if (!FaultsSet()) return bytes;
    FaultState& state = Faults();
    std::lock_guard<std::mutex> lock(state.mutex);
    return TakeFromBudget(state.plan.writeBytes, bytes);
}

bool os::SeekAllowed() {
    if (!FaultsSet()) return true;
    FaultState& state = Faults();
    std::lock_guard<std::mutex> lock(state.mutex);
    return !state.plan.seeksFail;
}

// ---- File I/O -------------------------------------------------------------------------------

std::size_t File::Read(void* data, std::size_t bytes) {
    if (!m_File || bytes == 0) return 0;
    os::CountFileCall();
    m_LastOp = LastOp::Read;
    const std::size_t allowed = os::AllowedRead(bytes);
    const std::size_t got = allowed == 0 ? 0 : os::ReadStream(data, allowed, m_File);
    os::CountFileBytesRead(got);
    return got;
}

std::size_t File::Write(const void* data, std::size_t bytes) {
    if (!m_File || bytes == 0) return 0;
    m_LastOp = LastOp::Write;
    const std::size_t allowed = os::AllowedWrite(bytes);
    return allowed == 0 ? 0 : os::WriteStream(data, allowed, m_File);
}

bool File::Seek(std::int64_t position) {
    if (!m_File || position < 0 || !os::SeekAllowed()) return false;
    os::CountFileCall();
    m_LastOp = LastOp::None;
    return os::SeekStream(m_File, position) == 0;
}

bool File::Truncate(std::int64_t length) {
    if (!m_File || length < 0) return false;
    // A failed flush still empties the buffer: what did not fit is dropped, not retried later.
    std::fflush(m_File);
    std::clearerr(m_File);
    m_LastOp = LastOp::None;
    return os::TruncateStream(m_File, length) == 0 && os::SeekStream(m_File, length) == 0;
}

std::int64_t File::Tell() {
    if (!m_File) return -1;
    os::CountFileCall();
    return os::TellStream(m_File);
}

std::int64_t File::Length() {
    if (!m_File) return -1;
    // Data still in the write buffer belongs to the file; flushing does not move the position.
    if (m_LastOp == LastOp::Write && std::fflush(m_File) != 0) return -1;
    return os::StreamLength(m_File);
}

bool File::Flush() {
    if (!m_File) return false;
    return std::fflush(m_File) == 0;
}

}  // namespace tarn::platform
