// quarvik-check: checks media files and stream addresses with the content-check engine and
// prints their fault events.
//
// Also records checks in the task database (--store) and writes their HTML reports (--report),
// runs monitoring tasks unattended (--run-tasks) and sets them up.
//
// Exit status: 0 no fault events (warnings do not count), 1 fault events found (or a format
// deviation), 2 an input could not be opened, a stored check could not store what it found, a
// report could not be written, a command failed or the arguments are wrong (with the reason on
// stderr).

#include "CheckReport.h"
#include "CheckRun.h"
#include "ContentParams.h"
#include "Dispatcher.h"
#include "ResultFileCheck.h"
#include "Settings.h"
#include "FileDisplay.h"
#include "GuiApp.h"
#include "StoredCheck.h"
#include "TaskCommands.h"
#include "TaskRecords.h"
#include "ProgramFolder.h"
#include "Version.h"

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
                 "Usage: quarvik-check [--json] [--params FILE] [--store] [--template NAME] [--report DIR] PATH...\n"
                 "  or:  quarvik-check [--json] [--params FILE] [--template NAME] --result-file FILE PATH\n"
                 "  or:  quarvik-check [--params FILE] --run-tasks | --task ID\n"
                 "  or:  quarvik-check --set-cache DIR | --list-tasks\n"
                 "  or:  quarvik-check --add-template NAME Level:Name=Value|Level:Name=Low..High...\n"
                 "  or:  quarvik-check --add-task NAME folder|ftp|udp|removable [key=value...]\n"
                 "  or:  quarvik-check --help | --version\n"
                 "         keys: path host port user password interval template content=on|off\n"
                 "  Checks each file or stream address for black, colour bars, colour field,\n"
                 "  still frame and mosaic pictures, flashes, regular patterns, luma and colour\n"
                 "  out of range, decoding errors, and silent, too low or too high sound on\n"
                 "  every channel.\n"
                 "  --json           print one JSON document instead of text\n"
                 "  --params FILE    content-check parameters (default: ave.dat in the program folder)\n"
                 "  --store          check as the manual list does and store the results in task.db\n"
                 "  --template NAME  also run the format check against a stored template (stores)\n"
                 "  --report DIR     write the HTML report of each stored result into DIR/<name>/\n"
                 "                   (stores)\n"
                 "  --result-file FILE  check PATH as --store does, in a working folder of its own,\n"
                 "                   and write the whole result into FILE (JSON) instead of task.db\n"
                 "  --run-tasks      run every active monitoring task until interrupted\n"
                 "  --task ID        run one monitoring task until interrupted\n"
                 "  Also measures each programme's loudness (EBU R128); judged when the Loudness\n"
                 "  section of Quarvik.ini enables it.\n"
                 "exit status: 0 no fault events (or warnings only), 1 fault events, format\n"
                 "deviations or a loudness failure found, 2 an input could not be opened, a\n"
                 "result could not be stored, a report could not be written or the arguments are\n"
                 "wrong\n");
}

// The input fails: an event that is no warning, an invalid format or a loudness failure.
bool ReportFails(const FileReport& report)
{
    return FailingEventCount(report) > 0 || report.formatVerdict == kFormatInvalid ||
           report.loudnessVerdict == kLoudnessFailed;
}

enum class Mode { kCheck, kRunTasks, kSetCache, kListTasks, kAddTemplate, kAddTask };

struct Options {
    Mode mode = Mode::kCheck;
    bool json = false;
    bool store = false;
    int taskId = -1;
    std::string paramsPath;
    std::string templateName;
    std::string reportDir;
    std::string resultFile;
    std::vector<std::string> paths;  // or the arguments of a setup command
};

// False with a message when the arguments are wrong.
bool ParseArguments(int argc, char** argv, Options& options)
{
    bool optionsEnded = false;
    const auto value = [&](int& i, const char* option, std::string& out) {
        if (++i == argc) {
            std::fprintf(stderr, "quarvik-check: %s needs a value\n", option);
            return false;
        }
        out = argv[i];
        return true;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string text;
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            options.paths.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--store") {
            options.store = true;
        } else if (arg == "--params") {
            if (!value(i, "--params", options.paramsPath))
                return false;
        } else if (arg == "--template") {
            if (!value(i, "--template", options.templateName))
                return false;
            options.store = true;
        } else if (arg == "--report") {
            if (!value(i, "--report", options.reportDir))
                return false;
            options.store = true;
        } else if (arg == "--result-file") {
            if (!value(i, "--result-file", options.resultFile))
                return false;
        } else if (arg == "--run-tasks") {
            options.mode = Mode::kRunTasks;
        } else if (arg == "--task") {
            if (!value(i, "--task", text))
                return false;
            options.mode = Mode::kRunTasks;
            options.taskId = std::atoi(text.c_str());
        } else if (arg == "--set-cache") {
            options.mode = Mode::kSetCache;
        } else if (arg == "--list-tasks") {
            options.mode = Mode::kListTasks;
        } else if (arg == "--add-template") {
            options.mode = Mode::kAddTemplate;
        } else if (arg == "--add-task") {
            options.mode = Mode::kAddTask;
        } else {
            std::fprintf(stderr, "quarvik-check: unknown option %s\n", arg.c_str());
            return false;
        }
    }
    if (options.mode == Mode::kCheck && options.paths.empty()) {
        std::fprintf(stderr, "quarvik-check: no file or stream address given\n");
        return false;
    }
    if (!options.resultFile.empty() && (options.paths.size() != 1 || !options.reportDir.empty())) {
        std::fprintf(stderr, "quarvik-check: --result-file takes one file and no --report\n");
        return false;
    }
    if (options.mode == Mode::kSetCache && options.paths.size() != 1) {
        std::fprintf(stderr, "quarvik-check: --set-cache needs one folder\n");
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
                 LineText(DisplayFileName(path)).c_str());
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
    hooks.stopWaits = hooks.shouldStop;
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
    if (report.loudness)
        report.loudnessVerdict = JudgeLoudness(*report.loudness, ReadLoudnessLimits());
    report.interrupted = outcome == CheckOutcome::kStopped;
    report.frames = engine.PictureCount();
    const double seconds = secondsSince();
    report.speedFps = seconds > 0 ? report.frames / seconds : 0.0;
    if (outcome == CheckOutcome::kOpenFailed)
        std::fprintf(stderr, "quarvik-check: could not open %s\n", LineText(DisplayFileName(path)).c_str());
    return report;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        PrintUsage(stdout);
        std::fputs(ProgramFolderHelp(), stdout);
        return kExitClean;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("quarvik-check (Quarvik) %s\n", ProgramVersion());
        return kExitClean;
    }
    if (!ParseArguments(argc, argv, options)) {
        PrintUsage(stderr);
        return kExitTrouble;
    }
    if (const std::string problem = ProgramFolderProblem(); !problem.empty()) {
        std::fprintf(stderr, "quarvik-check: %s\n", problem.c_str());
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
    const auto interrupted = [] { return g_interrupted != 0; };
    // Every network wait of every thread ends at once on SIGINT or SIGTERM.
    SetProgramStop(+interrupted);

    switch (options.mode) {
    case Mode::kRunTasks: return RunTasks(options.taskId, paramsPath, interrupted);
    case Mode::kSetCache: return SetCacheFolder(options.paths[0]);
    case Mode::kListTasks: return ListTasks();
    case Mode::kAddTemplate: return AddTemplate(options.paths);
    case Mode::kAddTask: return AddTask(options.paths);
    case Mode::kCheck: break;
    }

    std::vector<FileReport> reports;
    bool reportsWritten = true;
    if (!options.resultFile.empty()) {
        StoredCheckOptions stored{options.paramsPath, options.templateName, interrupted};
        FileReport report;
        report.path = options.paths.front();
        std::string error;
        if (!RunResultFileCheck(options.paths.front(), options.resultFile, stored, report, error)) {
            std::fprintf(stderr, "quarvik-check: %s\n", error.c_str());
            return kExitTrouble;
        }
        if (!options.json)
            WriteTextReport(std::cout, report);
        reports.push_back(report);
    } else if (options.store) {
        StoredCheckOptions stored{options.paramsPath, options.templateName, interrupted};
        std::string error;
        if (!RunStoredChecks(options.paths, stored, reports, error)) {
            std::fprintf(stderr, "quarvik-check: %s\n", error.c_str());
            return kExitTrouble;
        }
        if (!options.reportDir.empty()) {
            GuiApp app;
            std::vector<std::string> errors;
            reportsWritten = WriteStoredReports(reports, options.reportDir, errors);
            for (const std::string& message : errors)
                std::fprintf(stderr, "quarvik-check: %s\n", message.c_str());
        }
        if (!options.json) {
            for (const FileReport& report : reports)
                WriteTextReport(std::cout, report);
        }
    } else {
        const bool progressBar = isatty(STDERR_FILENO) == 1;
        for (const std::string& path : options.paths) {
            if (g_interrupted)
                break;
            reports.push_back(CheckOne(path, paramsPath, progressBar));
            if (!options.json)
                WriteTextReport(std::cout, reports.back());
        }
    }
    int status = reportsWritten ? kExitClean : kExitTrouble;
    for (const FileReport& report : reports) {
        if (!report.storeError.empty())
            std::fprintf(stderr, "quarvik-check: %s\n", report.storeError.c_str());
        // A check that did not reach the end of its input is no verdict.
        if (!report.opened || !report.storeError.empty() || report.interrupted)
            status = kExitTrouble;
        else if (ReportFails(report) && status == kExitClean)
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
