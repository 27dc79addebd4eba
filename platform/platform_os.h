// What each operating system's implementation file provides to the shared parts of this layer
// (platform_common.cpp). Internal to platform/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace tarn::platform::os {

// mode is "rb" or "wb". nullptr on failure, and for anything but a regular file.
std::FILE* OpenStream(const std::string& name, const char* mode);
// To an absolute position. Zero on success.
int SeekStream(std::FILE* file, std::int64_t position);
std::int64_t TellStream(std::FILE* file);
// Unlocked reads and writes: one thread uses a File at a time.
std::size_t ReadStream(void* data, std::size_t bytes, std::FILE* file);
std::size_t WriteStream(const void* data, std::size_t bytes, std::FILE* file);
// Size of the open file from its descriptor; -1 on failure.
std::int64_t StreamLength(std::FILE* file);
// Sets the size of the open file from its descriptor (the stream's buffer is empty). Zero on success.
int TruncateStream(std::FILE* file, std::int64_t length);

// The file fault plan (SetFileFaults): how many of bytes a read or write may move, and whether a
// seek may happen. Without a plan: all of them, and yes.
std::size_t AllowedRead(std::size_t bytes);
std::size_t AllowedWrite(std::size_t bytes);
bool SeekAllowed();
// True while a plan is set: reads then go one at a time through the checks above.
bool FaultsSet();

// Adds to FileBytesRead; every read of a file calls it with what it got.
void CountFileBytesRead(std::size_t bytes);
// Adds one to FileCalls; every read, seek and position query of a file calls it.
void CountFileCall();

// The platform's own debugger output channel.
void WriteDebuggerLine(const char* line);

}  // namespace tarn::platform::os
