// tarn view FILE [--port P] [--rec]: opens and scans a recording, then serves a page that draws it
// (and the JSON the page reads) on http://127.0.0.1:P/ until Ctrl-C.
#include <cstdio>
#include <string>

#include "tools/Command.h"
#include "tools/Options.h"

#if TARN_HAVE_VIEW
#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include "tools/view/HttpBinding.h"
#include "tools/view/ViewPage.h"
#endif

namespace tarn::tool {

#if TARN_HAVE_VIEW
namespace {

std::atomic<bool> g_Stop{false};

extern "C" void OnStopSignal(int) { g_Stop = true; }

int Serve(const std::string& path, bool loadRECFile, int port) {
    ComponentSession session;
    Recording recording;
    if (!session.Ok() || !OpenAndScan(recording, path, loadRECFile)) return kExitFailure;
    RecordingSource source(recording, path);
    Overviews overviews(source);
    const ViewApi api(source, overviews);
    HttpBinding binding({
        {"/", [](const QueryItems&) { return Reply{200, "text/html; charset=utf-8", std::string(ViewPage())}; }},
        {"/api/recording", [&](const QueryItems& q) { return api.Recording(q); }},
        {"/api/overview", [&](const QueryItems& q) { return api.Overview(q); }},
        {"/api/samples", [&](const QueryItems& q) { return api.Samples(q); }},
    });
    const int bound = binding.Bind(port);
    if (bound < 0) {
        std::fprintf(stderr, "tarn: cannot listen on 127.0.0.1:%d\n", port);
        return kExitFailure;
    }
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    std::thread server([&] { binding.Serve(); });
    std::printf("serving %s on http://127.0.0.1:%d/ (Ctrl-C ends)\n", path.c_str(), bound);
    std::fflush(stdout);
    while (!g_Stop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    binding.Stop();
    server.join();
    std::printf("stopped\n");
    return kExitOk;
}

}  // namespace
#endif

namespace {

struct ViewOptions {
    std::string path;
    int port = 0;
    bool rec = false;
};

int ViewCommand(const ViewOptions& options) {
#if TARN_HAVE_VIEW
    return Serve(options.path, options.rec, options.port);
#else
    (void)options;
    std::fprintf(stderr, "tarn: the viewer is not available in this build\n");
    return kExitFailure;
#endif
}

}  // namespace

void AddViewCommand(CLI::App& tool) {
    const auto [command, o] = AddCommand(
        tool, "view", "Serve a page that draws the recording, zoomable down to single samples",
        "Opens and scans the recording, then serves the page and its JSON on http://127.0.0.1:PORT/\n"
        "(loopback only) and prints that URL; Ctrl-C ends it.",
        ViewCommand);
    AddRecording(*command, o->path);
    command->add_option("--port", o->port, "The port (default 0: a free one)")
        ->transform(Decimal())
        ->check(CLI::Range(0, 65535));
    command->add_flag("--rec", o->rec, "Names, units, date and time from the .REC file beside the recording");
}

}  // namespace tarn::tool
