// Timing shared by the benchmarks: runs measured against each other in one process, the best of
// a few rounds each, the line that reports a ratio against its target, and the command line.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tarn::bench {

// What a benchmark's process tells the one that ran it.
enum Exit : int { kTargetsMet = 0, kTargetMissed = 1, kCannotRun = 2 };

// Seconds one run takes; -1 when it fails.
inline double Seconds(const std::function<bool()>& run) {
    const auto start = std::chrono::steady_clock::now();
    if (!run()) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The best of rounds runs of each measurement, taken in rounds (one run of each per round) so that
// a change in the machine's load falls on all of them alike. All 0 when a run failed.
inline std::vector<double> BestOfRounds(const std::vector<std::function<bool()>>& runs, int rounds = 3) {
    std::vector<double> best(runs.size(), 1e300);
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t i = 0; i < runs.size(); ++i) {
            const double t = Seconds(runs[i]);
            if (t < 0) return std::vector<double>(runs.size(), 0.0);
            best[i] = std::min(best[i], t);
        }
    }
    return best;
}

// Prints one ratio with its target; returns met.
inline bool Report(const char* what, double value, bool met, const char* target) {
    std::printf("%-44s %8.3f   target %s   %s\n", what, value, target, met ? "met" : "MISSED");
    return met;
}

// A size given on the command line, "256M", "8G", "1000000": bytes; 0 for anything else.
inline std::uint64_t ParseSize(const std::string& text) {
    char* end = nullptr;
    std::uint64_t bytes = std::strtoull(text.c_str(), &end, 10);
    const std::string unit = end;
    if (unit == "K" || unit == "k") bytes <<= 10;
    else if (unit == "M" || unit == "m") bytes <<= 20;
    else if (unit == "G" || unit == "g") bytes <<= 30;
    else if (!unit.empty()) return 0;
    return bytes;
}

// The command line both benchmarks take: [--size BYTES[K|M|G]] [folder].
struct Arguments {
    std::uint64_t size;
    std::filesystem::path folder = std::filesystem::temp_directory_path();
};
// False, with the usage printed, for a size outside 1 MiB .. what 16-bit channels of that many
// can count in 32-bit sample numbers.
inline bool ParseArguments(int argc, char** argv, const char* name, std::uint64_t defaultBytes,
                           std::uint32_t channels, std::uint32_t blockSamples, Arguments& arguments) {
    arguments.size = defaultBytes;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc)
            arguments.size = ParseSize(argv[++i]);
        else
            arguments.folder = argv[i];
    }
    if (arguments.size < (1u << 20) || arguments.size / channels / 2 >= (1ull << 31) - blockSamples) {
        std::fprintf(stderr, "usage: %s [--size BYTES[K|M|G], 1M .. 16G] [folder]\n", name);
        return false;
    }
    return true;
}

}  // namespace tarn::bench
