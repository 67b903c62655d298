// quarvik-farm: checks files on a Slurm cluster and takes the results into task.db.
//
//   submit   one Slurm array job over the files, one array task per file; every node checks
//            its file with `quarvik-check --result-file` and the rules copied into the job
//   status   where every file of a job stands
//   collect  imports the results of the ended files into task.db, once each
//
// Exit status: 0 done (collect: every file of the job is in task.db), 1 collect: files still
// pending or running, 2 a command failed or the arguments are wrong (the reason on stderr).

#include "Collect.h"
#include "FarmJob.h"
#include "FileDisplay.h"
#include "ProgramFolder.h"
#include "Slurm.h"
#include "TaskStates.h"
#include "TemplReaders.h"
#include "Version.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>

#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace quarvik;

constexpr int kExitDone = 0;
constexpr int kExitWaiting = 1;
constexpr int kExitTrouble = 2;

volatile std::sig_atomic_t g_interrupted = 0;

void OnInterrupt(int)
{
    g_interrupted = 1;
}

void PrintUsage(std::FILE* to)
{
    std::fprintf(to,
                 "Usage: quarvik-farm submit [--template NAME] [--partition P] [--max-jobs N] [--spool DIR] FILE|FOLDER...\n"
                 "  or:  quarvik-farm status [--json] [--spool DIR] JOBID\n"
                 "  or:  quarvik-farm collect [--task NAME|ID] [--wait SECONDS] [--poll SECONDS] [--spool DIR] JOBID\n"
                 "  or:  quarvik-farm --help | --version\n"
                 "  Checks files on a Slurm cluster: one array task per file, each checked by\n"
                 "  quarvik-check with the content-check parameters, templates and settings of\n"
                 "  this program folder, copied into the job. The files and the spool (default:\n"
                 "  \"farm\" in the program folder, or QUARVIK_FARM_SPOOL) must lie on storage that\n"
                 "  every node sees under the same path.\n"
                 "  submit      prints the job id\n"
                 "  status      pending, running (node), done or failed per file, and a summary\n"
                 "  collect     stores the results of the ended files in task.db (of the manual\n"
                 "              list, or of --task), each once; a file Slurm ended without a\n"
                 "              result is stored as \"检测中断\" (or \"无法打开\" when it is gone)\n"
                 "  --wait S    collect until every file is stored, at most S seconds\n"
                 "  QUARVIK_FARM_SBATCH_OPTIONS adds sbatch options of the site (account, QOS,\n"
                 "  time limit).\n"
                 "exit status: 0 done, 1 collect: files still pending or running, 2 trouble\n");
}

struct Options {
    std::string command;
    std::string templateName;
    std::string partition;
    std::string spool;
    std::string task;
    int maxJobs = 0;
    int waitSeconds = 0;
    int pollSeconds = 30;
    bool json = false;
    std::vector<std::string> arguments;
};

bool ParseNumber(const std::string& text, int& value)
{
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || parsed < 0 || parsed > INT_MAX)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

bool ParseArguments(int argc, char** argv, Options& options)
{
    if (argc < 2)
        return false;
    options.command = argv[1];
    bool optionsEnded = false;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&](std::string& out) {
            if (++i == argc) {
                std::fprintf(stderr, "quarvik-farm: %s needs a value\n", arg.c_str());
                return false;
            }
            out = argv[i];
            return true;
        };
        const auto number = [&](int& out) {
            std::string text;
            if (!value(text))
                return false;
            if (!ParseNumber(text, out)) {
                std::fprintf(stderr, "quarvik-farm: %s needs a whole number, not %s\n", arg.c_str(), text.c_str());
                return false;
            }
            return true;
        };
        bool ok = true;
        if (optionsEnded || arg.empty() || arg[0] != '-')
            options.arguments.push_back(arg);
        else if (arg == "--")
            optionsEnded = true;
        else if (arg == "--template")
            ok = value(options.templateName);
        else if (arg == "--partition")
            ok = value(options.partition);
        else if (arg == "--spool")
            ok = value(options.spool);
        else if (arg == "--task")
            ok = value(options.task);
        else if (arg == "--max-jobs")
            ok = number(options.maxJobs);
        else if (arg == "--wait")
            ok = number(options.waitSeconds);
        else if (arg == "--poll")
            ok = number(options.pollSeconds);
        else if (arg == "--json")
            options.json = true;
        else {
            std::fprintf(stderr, "quarvik-farm: unknown option %s\n", arg.c_str());
            return false;
        }
        if (!ok)
            return false;
    }
    if (options.command == "submit")
        return !options.arguments.empty();
    return (options.command == "status" || options.command == "collect") && options.arguments.size() == 1;
}

// quarvik-check beside this program: the nodes run it from the same path.
std::string CheckerPath()
{
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    std::string exe = n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
    return exe.substr(0, exe.rfind('/') + 1) + "quarvik-check";
}

bool TemplateExists(const std::string& name)
{
    CSqliteDb db;
    if (!db.OpenTemplDb())
        return false;
    for (const IdName_t& t : LoadSyntaxNames(db)) {
        if (name == t.szName)
            return true;
    }
    return false;
}

// The task of a name or id; -1 for the manual list (none given). False when there is none.
bool FindTask(const std::string& given, int32_t& taskId)
{
    taskId = -1;
    if (given.empty())
        return true;
    CSqliteDb db;
    if (!db.OpenTemplDb())
        return false;
    for (const MonTask_t& task : LoadTasks(db, false)) {
        if (given == task.szName || given == std::to_string(task.nID)) {
            taskId = task.nID;
            return true;
        }
    }
    return false;
}

int Submit(const Options& options)
{
    std::vector<std::string> files;
    std::string error;
    if (!ExpandFarmInputs(options.arguments, files, error)) {
        std::fprintf(stderr, "quarvik-farm: %s\n", error.c_str());
        return kExitTrouble;
    }
    if (!options.templateName.empty() && !TemplateExists(options.templateName)) {
        std::fprintf(stderr, "quarvik-farm: no format template named %s\n", options.templateName.c_str());
        return kExitTrouble;
    }
    FarmJob job;
    SubmitOptions submit;
    submit.partition = options.partition;
    submit.maxRunning = options.maxJobs;
    if (const char* extra = std::getenv("QUARVIK_FARM_SBATCH_OPTIONS"))
        submit.extra = extra;
    if (!CreateFarmJob(FarmSpool(options.spool), files, options.templateName, CheckerPath(), job, error) ||
        !SubmitArrayJob(job.ScriptPath(), job.folder + "/logs/%a.out", files.size(), submit, job.jobId, error) ||
        !SaveFarmJob(job, error)) {
        std::fprintf(stderr, "quarvik-farm: %s\n", error.c_str());
        return kExitTrouble;
    }
    std::printf("%s\n", job.jobId.c_str());
    std::fprintf(stderr, "quarvik-farm: %zu files in job %s (%s)\n", files.size(), job.jobId.c_str(),
                 job.folder.c_str());
    return kExitDone;
}

bool LoadJob(const Options& options, FarmJob& job)
{
    std::string error;
    if (FindFarmJob(FarmSpool(options.spool), options.arguments.front(), job, error))
        return true;
    std::fprintf(stderr, "quarvik-farm: %s\n", error.c_str());
    return false;
}

std::string StatusText(const FarmFileStatus& file)
{
    switch (file.status) {
    case FileStatus::kRunning: return file.slurm.node.empty() ? "running" : "running (" + file.slurm.node + ")";
    case FileStatus::kDone: return std::string("done (") + ResultStateName(file.resultState) + ")";
    case FileStatus::kFailed: return "failed (" + file.problem + ")";
    case FileStatus::kPending:
        return file.slurm.reason.empty() ? "pending" : "pending (" + file.slurm.reason + ")";
    }
    return "";
}

int Status(const Options& options)
{
    FarmJob job;
    if (!LoadJob(options, job))
        return kExitTrouble;
    std::string slurmError;
    const std::vector<FarmFileStatus> files = FarmJobStatus(job, slurmError);
    if (!slurmError.empty())
        std::fprintf(stderr, "quarvik-farm: %s\n", slurmError.c_str());
    int counts[4] = {};
    for (const FarmFileStatus& file : files)
        ++counts[static_cast<int>(file.status)];
    if (options.json) {
        QJsonArray list;
        for (const FarmFileStatus& file : files) {
            QJsonObject o{{"path", QString::fromStdString(file.path)},
                          {"status", FileStatusName(file.status)},
                          {"slurm_state", QString::fromStdString(file.slurm.state)},
                          {"node", QString::fromStdString(file.slurm.node)}};
            if (file.status == FileStatus::kDone)
                o.insert("result_state", QString::fromUtf8(ResultStateName(file.resultState)));
            if (file.status == FileStatus::kFailed)
                o.insert("problem", QString::fromStdString(file.problem));
            o.insert("imported_result", file.imported ? QJsonValue(file.import.nResultID) : QJsonValue());
            list.append(o);
        }
        QJsonObject summary;
        for (FileStatus s : {FileStatus::kPending, FileStatus::kRunning, FileStatus::kDone, FileStatus::kFailed})
            summary.insert(FileStatusName(s), counts[static_cast<int>(s)]);
        const QJsonObject document{{"job", QString::fromStdString(job.jobId)}, {"files", list}, {"summary", summary}};
        std::fputs(QJsonDocument(document).toJson().constData(), stdout);
        return kExitDone;
    }
    for (const FarmFileStatus& file : files) {
        std::string line = StatusText(file);
        if (file.imported)
            line += ", in task.db as result " + std::to_string(file.import.nResultID);
        std::printf("%-40s %s\n", DisplayFileName(file.path).c_str(), line.c_str());
    }
    std::printf("job %s: %zu files: %d done, %d running, %d pending, %d failed\n", job.jobId.c_str(), files.size(),
                counts[static_cast<int>(FileStatus::kDone)], counts[static_cast<int>(FileStatus::kRunning)],
                counts[static_cast<int>(FileStatus::kPending)], counts[static_cast<int>(FileStatus::kFailed)]);
    return kExitDone;
}

int Collect(const Options& options)
{
    FarmJob job;
    int32_t taskId = -1;
    if (!LoadJob(options, job))
        return kExitTrouble;
    if (!FindTask(options.task, taskId)) {
        std::fprintf(stderr, "quarvik-farm: no task %s\n", options.task.c_str());
        return kExitTrouble;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(options.waitSeconds);
    for (;;) {
        const CollectOutcome outcome = CollectFarmJob(job, taskId);
        for (const std::string& line : outcome.lines)
            std::printf("%s\n", line.c_str());
        std::fflush(stdout);
        if (!outcome.slurmError.empty())
            std::fprintf(stderr, "quarvik-farm: %s\n", outcome.slurmError.c_str());
        if (!outcome.storeError.empty()) {
            std::fprintf(stderr, "quarvik-farm: %s\n", outcome.storeError.c_str());
            return kExitTrouble;
        }
        const int stored = outcome.importedNow + outcome.failedNow + outcome.importedBefore;
        if (outcome.waiting == 0 || g_interrupted || Clock::now() >= deadline) {
            std::printf("job %s: %d of %zu files in task.db, %d still pending or running\n", job.jobId.c_str(),
                        stored, job.files.size(), outcome.waiting);
            return outcome.waiting == 0 ? kExitDone : kExitWaiting;
        }
        // Wait for the next look, but no longer than the bound, and wake on an interrupt.
        const auto next = std::min(deadline, Clock::now() + std::chrono::seconds(std::max(options.pollSeconds, 1)));
        while (Clock::now() < next && !g_interrupted)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Options options;
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        PrintUsage(stdout);
        std::fputs(ProgramFolderHelp(), stdout);
        return kExitDone;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("quarvik-farm (Quarvik) %s\n", ProgramVersion());
        return kExitDone;
    }
    if (!ParseArguments(argc, argv, options)) {
        PrintUsage(stderr);
        return kExitTrouble;
    }
    if (const std::string problem = ProgramFolderProblem(); !problem.empty()) {
        std::fprintf(stderr, "quarvik-farm: %s\n", problem.c_str());
        return kExitTrouble;
    }
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    if (options.command == "submit")
        return Submit(options);
    if (options.command == "status")
        return Status(options);
    return Collect(options);
}
