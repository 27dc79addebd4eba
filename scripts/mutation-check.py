#!/usr/bin/env python3
"""Plants one plausible fault at a time (a wrong comparison, a dropped check, a wrong constant),
rebuilds, runs the native suites and says which suites caught it; the source is put back after
each. Usage: scripts/mutation-check.py [BUILD_DIR] [INDEX ...] (default build/clang, every fault).
A fault whose text no longer stands in its file is reported as SKIP."""
import subprocess, sys, os
build = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else \
    os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "build/clang")
# The faults go into the sources that build was configured from.
with open(os.path.join(build, "CMakeCache.txt")) as cache:
    root = next(l.split("=", 1)[1].strip() for l in cache if l.startswith("CMAKE_HOME_DIRECTORY:"))
M = [
 ("reader/CChannelDesc.cpp", "m_NextSample) <= static_cast<std::int32_t>(first - 1u)", "m_NextSample) < static_cast<std::int32_t>(first - 1u)", "gap check off by one (one lost sample)"),
 ("debug/QVDebug.cpp", "level > current) return {};", "level >= current) return {};", "trace level filter comparison"),
 ("compat/posix/bstr.cpp", "return length / sizeof(OLECHAR);", "return length / sizeof(OLECHAR) + (length > 2);", "BSTR length"),
 ("writer/CQVDataRecorderWriter.cpp", '"%08d"', '"%07d"', "RECInfoSectionPos digits"),
 ("reader/CQVDataRecorderReader.cpp", "HeaderField2 != 0 && !m_HasSetupChunk", "HeaderField2 != 0", "HeaderField2 rule"),
 ("format/RecordingLayout.h", "kMaxNumberOfChannels = 65536", "kMaxNumberOfChannels = 65535", "channel bound constant"),
 ("reader/ReaderRetrieval.cpp", "? v >> 16 : v", "? v >> 15 : v", "16-bit view of 32-bit samples"),
 ("component/MemberCall.h", "if (out == nullptr) return E_POINTER;", "if (false && out == nullptr) return E_POINTER;", "dropped null-pointer check"),
 ("component/CQVRecorderFileReader.cpp", "m_Reader != nullptr && !ScanRunning();", "m_Reader != nullptr;", "reading during a background scan"),
 ("format/RecordingLayout.cpp", "if (bytes % kBlockUnit != 0) return 0;", "", "odd 16-bit sample count accepted"),
 ("platform/Ascii.h", "c >= Char('a') && c <= Char('z') ? Char(c - Char('a') + Char('A')) : c;", "c;", "case-insensitive names compare exactly"),
 ("format/RecordingLayout.h", "return Kind() == BlockKind::DC ? DCBlockSize(NoOfChannels) * kBlockUnit : ByteLength();", "return ByteLength();", "DC block walked by Size"),
 ("setup/DecimalText.cpp", 'text.find_first_of(u".,")', 'text.find_first_of(u".")', "decimal comma"),
 ("format/RecordingLayout.h", "kFileHeaderMagic = 0x0000BEC0", "kFileHeaderMagic = 0x0000BEC1", "file header magic"),
 ("component/RECFileLoader.cpp", "if (!m_CreatedWorkspace) return;", "if (m_CreatedWorkspace || !m_Server) return;", "working object never closed"),
 ("setup/RECChannelInfo.cpp", "if (tab == std::string_view::npos) return m_Rest;", "if (tab == std::string_view::npos) return {};", "short list without its last field"),
 ("setup/RECChannelInfo.cpp", "close > tab + 1 ? close - tab - 2 : 0", "close > tab + 1 ? close - tab - 1 : 0", "alias closing character kept"),
 ("platform/platform_posix.cpp", "if (seconds < 0 || seconds > kMaxTime64) return false;", "if (seconds > kMaxTime64) return false;", "start time before 1970 converted"),
 ("platform/platform_posix.cpp", "UpperAscii(*pattern) == UpperAscii(*name)", "*pattern == *name", "*.REC matched with case"),
 ("reader/PairReduction.h", "(p + 1) * groups / pairs * unit", "(p + 1) * groups * unit / pairs", "overview pairs cut through cached pairs"),
 ("reader/ReaderSequential.cpp", "std::max(m_PassedEnd, begun)", "m_PassedEnd", "a channel not yet begun taken for a gap"),
 ("component/recimport/RECFile.cpp", 'kAliasBreakers("\\t\\0]", 3)', 'kAliasBreakers("\\t\\0]", 2)', "a ] kept in an alias"),
]
only = sys.argv[2:]


def Verdict():
    if subprocess.run(f"cmake --build {build} -j2", shell=True, capture_output=True).returncode != 0:
        return "build failed"
    t = subprocess.run(f"ctest --test-dir {build} -j2 --timeout 120", shell=True, capture_output=True, text=True)
    if t.returncode == 0:
        return "NOT CAUGHT"
    failed = [l.split()[3] for l in t.stdout.splitlines() if "***Failed" in l or "Exception" in l or "***Timeout" in l]
    return "caught by " + ", ".join(failed)


results = []
for i, (f, old, new, what) in enumerate(M):
    if only and str(i) not in only: continue
    p = os.path.join(root, f); src = open(p).read()
    if src.count(old) != 1:
        results.append((what, "SKIP (pattern count %d)" % src.count(old))); continue
    open(p, "w").write(src.replace(old, new))
    try:
        results.append((what, Verdict()))
    finally:
        open(p, "w").write(src)
    print("%-40s %s" % results[-1], flush=True)
subprocess.run(f"cmake --build {build} -j2", shell=True, capture_output=True)
missed = [r for r in results if r[1] == "NOT CAUGHT"]
print(f"{len(results) - len(missed)} of {len(results)} planted faults caught")
sys.exit(1 if missed else 0)
