// quarvik-check: checks media files and stream addresses with the content-check engine and
// prints their fault events.
//
// Exit status: 0 no fault events, 1 fault events found, 2 an input could not be opened or the
// arguments are wrong (with the reason on stderr).

#include "CheckReport.h"
#include "CheckRun.h"
#include "ContentParams.h"

extern "C" {
#include <libavutil/log.h>
}

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

using namespace quarvik;

constexpr int kExitClean = 0;
constexpr int kExitFaults = 1;
constexpr int kExitTrouble = 2;

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int)
{
    g_interrupted = 1;
}

void PrintUsage(std::FILE* to)
{
    std::fprintf(to,
                 "usage: quarvik-check [--json] [--params FILE] PATH...\n"
                 "  Checks each file or stream address for black, colour bars, colour field,\n"
                 "  still frame and mosaic pictures and silent, too low or too high sound.\n"
                 "  --json         print one JSON document instead of text\n"
                 "  --params FILE  content-check parameters (default: ave.dat in the program folder)\n"
                 "exit status: 0 no fault events, 1 fault events found, 2 an input could not be\n"
                 "opened or the arguments are wrong\n");
}

struct Options {
    bool json = false;
    std::string paramsPath;
    std::vector<std::string> paths;
};

// False with a message when the arguments are wrong.
bool ParseArguments(int argc, char** argv, Options& options)
{
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            options.paths.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--params") {
            if (++i == argc) {
                std::fprintf(stderr, "quarvik-check: --params needs a file\n");
                return false;
            }
            options.paramsPath = argv[i];
        } else {
            std::fprintf(stderr, "quarvik-check: unknown option %s\n", arg.c_str());
            return false;
        }
    }
    if (options.paths.empty()) {
        std::fprintf(stderr, "quarvik-check: no file or stream address given\n");
        return false;
    }
    return true;
}

void ShowProgress(const std::string& path, CFFCheck& engine, double fps)
{
    const int percent = engine.ProgressPercent();
    const int filled = percent / 5;
    std::fprintf(stderr, "\r[%.*s%*s] %3d%% %7d frames %7.1f fps  %s", filled,
                 "####################", 20 - filled, "", percent, engine.PictureCount(), fps,
                 path.c_str());
    std::fflush(stderr);
}

FileReport CheckOne(const std::string& path, const std::string& paramsPath, bool progressBar)
{
    FileReport report;
    report.path = path;
    ReportCollector collector(report);
    CFFCheck engine(paramsPath);
    engine.SetResultSink(&collector);

    using Clock = std::chrono::steady_clock;
    const auto started = Clock::now();
    const auto secondsSince = [&] {
        return std::chrono::duration<double>(Clock::now() - started).count();
    };
    CheckRunHooks hooks;
    hooks.shouldStop = [] { return g_interrupted != 0; };
    if (progressBar) {
        hooks.progressSeconds = 1;
        hooks.onProgress = [&](CFFCheck& e) {
            const double seconds = secondsSince();
            ShowProgress(path, e, seconds > 0 ? e.PictureCount() / seconds : 0.0);
        };
    }
    const CheckOutcome outcome = RunContentCheck(engine, path.c_str(), -1, 0, hooks);
    if (progressBar)
        std::fprintf(stderr, "\r\033[K");
    report.opened = outcome != CheckOutcome::kOpenFailed;
    report.frames = engine.PictureCount();
    const double seconds = secondsSince();
    report.speedFps = seconds > 0 ? report.frames / seconds : 0.0;
    if (outcome == CheckOutcome::kOpenFailed)
        std::fprintf(stderr, "quarvik-check: could not open %s\n", path.c_str());
    return report;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        PrintUsage(stdout);
        return kExitClean;
    }
    if (!ParseArguments(argc, argv, options)) {
        PrintUsage(stderr);
        return kExitTrouble;
    }
    ContentParam_t params[kContentParamCount];
    if (!options.paramsPath.empty() && !ReadContentParamsFile(options.paramsPath, params)) {
        std::fprintf(stderr, "quarvik-check: %s is not a valid parameter file (648 bytes, magic "
                             "0x20120504, checksum)\n", options.paramsPath.c_str());
        return kExitTrouble;
    }
    const std::string paramsPath =
        options.paramsPath.empty() ? ContentParamsPath() : options.paramsPath;

    av_log_set_level(AV_LOG_ERROR);
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    const bool progressBar = isatty(STDERR_FILENO) == 1;

    std::vector<FileReport> reports;
    int status = kExitClean;
    for (const std::string& path : options.paths) {
        if (g_interrupted)
            break;
        reports.push_back(CheckOne(path, paramsPath, progressBar));
        const FileReport& report = reports.back();
        if (!options.json)
            WriteTextReport(std::cout, report);
        if (!report.opened)
            status = kExitTrouble;
        else if (!report.events.empty() && status == kExitClean)
            status = kExitFaults;
    }
    if (options.json)
        WriteJsonReport(std::cout, reports);
    std::cout.flush();
    if (g_interrupted) {
        std::fprintf(stderr, "quarvik-check: interrupted\n");
        return kExitTrouble;
    }
    return status;
}
