// Captures the trace lines and writes "CoralDSP.ini" where the platform looks for it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "debug/QVDebug.h"
#include "debug/QVDebugTesting.h"
#include "platform/platform.h"
#include "tests/support/TempDir.h"

class TraceTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef _WIN32
        // Windows looks in the Windows directory, which Wine keeps inside the build's own prefix.
        static tarn::test::TempDir configDir;
        setenv("TARN_CONFIG_DIR", configDir.path().string().c_str(), 1);
#endif
        TearDown();
        tarn::platform::SetDebugOutputSink(&Capture, this);
    }
    void TearDown() override {
        tarn::platform::SetDebugOutputSink(nullptr, nullptr);
        tarn::QVDebug::Testing::SetTickSource(nullptr);
        tarn::QVDebug::Testing::Reset();
        std::remove(ConfigPath().c_str());
    }

    static std::string ConfigPath() { return tarn::platform::ProfileDirectory() + "/CoralDSP.ini"; }
    // keys: "Level=1\nKeywords=tarn" and so on, for the [QvDebug] section.
    // Windows keeps a read profile cached until its modification time changes, and two files
    // written within one tick of the file system's clock carry the same time: each one written
    // here is dated a second later than the one before, so the next reading sees it.
    static void WriteConfig(const std::string& keys) {
        const std::string path = ConfigPath();
        std::ofstream(path, std::ios::binary) << "[QvDebug]\n" << keys << "\n";
        static int written = 0;
        std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() + std::chrono::seconds(++written));
    }
    std::vector<std::string> Lines() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Lines;
    }

private:
    static void Capture(const char* line, void* self) {
        auto* test = static_cast<TraceTest*>(self);
        std::lock_guard<std::mutex> lock(test->m_Mutex);
        test->m_Lines.emplace_back(line);
    }

    std::mutex m_Mutex;
    std::vector<std::string> m_Lines;
};
