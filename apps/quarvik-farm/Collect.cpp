#include "Collect.h"

#include "FileDisplay.h"
#include "ResultFile.h"
#include "TaskStates.h"
#include "TaskStore.h"
#include "TextField.h"

#include <sys/stat.h>

#include <ctime>
#include <fstream>

namespace quarvik {
namespace {

bool Exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// The last line the check of a file printed: usually what went wrong.
std::string LastLogLine(const std::string& logPath)
{
    std::ifstream log(logPath);
    std::string line, last;
    while (std::getline(log, line)) {
        const size_t begin = line.find_first_not_of(" \t\r");
        if (begin != std::string::npos)
            last = line.substr(begin);
    }
    return last;
}

std::string ProblemOf(const FarmJob& job, size_t index, const TaskState& slurm)
{
    std::string problem = slurm.state.empty() ? "Slurm has no record of it (cancelled before it ran, or forgotten)"
                                              : "Slurm: " + slurm.state;
    if (!slurm.reason.empty())
        problem += " (" + slurm.reason + ")";
    problem += ", no result";
    const std::string last = LastLogLine(job.LogPath(index));
    if (!last.empty())
        problem += "; " + last;
    return problem;
}

// The result of a file that was never checked to its end on the farm.
ResultBundle FailedResult(const std::string& path)
{
    ResultBundle bundle;
    struct stat st;
    const bool present = stat(path.c_str(), &st) == 0;
    const int32_t state = present ? kSubTaskInterrupted : kSubTaskOpenFailed;
    const std::string name = path.substr(path.rfind('/') + 1);
    SubTaskRow subTask{};
    SubTaskInfo_t& s = subTask.info;
    CopyField(s.szName, name);
    CopyField(s.szFilename, path);
    CopyField(s.szNewFilename, path);
    s.llFileSize = present ? static_cast<int64_t>(st.st_size) : 0;
    s.nState = state;
    s.nType = kTargetFolder;
    bundle.subTask = subTask;
    ResultInfo_t& r = bundle.result.info;
    CopyField(r.szName, name);
    CopyField(r.szFilename, path);
    CopyField(r.szNewFilename, path);
    r.llFileSize = s.llFileSize;
    r.nState = state;
    r.tmBegin = r.tmEnd = static_cast<int32_t>(std::time(nullptr));
    return bundle;
}

}  // namespace

const char* FileStatusName(FileStatus status)
{
    switch (status) {
    case FileStatus::kPending: return "pending";
    case FileStatus::kRunning: return "running";
    case FileStatus::kDone: return "done";
    case FileStatus::kFailed: return "failed";
    }
    return "";
}

std::vector<FarmFileStatus> FarmJobStatus(const FarmJob& job, std::string& slurmError)
{
    // Slurm first, the result files after: a task that ends in between is found done.
    std::map<size_t, TaskState> slurm;
    slurmError.clear();
    const bool slurmAnswered = QueryArrayTasks(job.jobId, job.files.size(), slurm, slurmError);
    std::map<int, FarmImport> imports;
    CSqliteDb db;
    if (db.OpenTaskDb())
        imports = LoadFarmImports(db, job.name);
    std::vector<FarmFileStatus> files;
    for (size_t i = 0; i < job.files.size(); ++i) {
        FarmFileStatus file;
        file.path = job.files[i];
        if (const auto found = slurm.find(i); found != slurm.end())
            file.slurm = found->second;
        if (const auto found = imports.find(static_cast<int>(i)); found != imports.end()) {
            file.imported = true;
            file.import = found->second;
        }
        ResultBundle bundle;
        std::string ignored;
        if (Exists(job.ResultPath(i)) && ReadResultFile(job.ResultPath(i), bundle, ignored)) {
            file.status = FileStatus::kDone;
            file.resultState = ResultStateOf(bundle.result.info, false);
        } else if (file.slurm.phase == TaskPhase::kPending || !slurmAnswered) {
            file.status = FileStatus::kPending;
        } else if (file.slurm.phase == TaskPhase::kRunning) {
            file.status = FileStatus::kRunning;
        } else {
            file.status = FileStatus::kFailed;
            file.problem = Exists(job.ResultPath(i)) ? "damaged result file: " + ignored : ProblemOf(job, i, file.slurm);
        }
        files.push_back(std::move(file));
    }
    return files;
}

CollectOutcome CollectFarmJob(const FarmJob& job, int32_t nTaskID)
{
    CollectOutcome outcome;
    const std::vector<FarmFileStatus> files = FarmJobStatus(job, outcome.slurmError);
    for (size_t i = 0; i < files.size(); ++i) {
        const FarmFileStatus& file = files[i];
        const std::string shown = DisplayFileName(file.path);
        if (file.imported) {
            ++outcome.importedBefore;
            continue;
        }
        if (file.status == FileStatus::kPending || file.status == FileStatus::kRunning) {
            ++outcome.waiting;
            continue;
        }
        ResultBundle bundle;
        FarmImport import;
        std::string error;
        const bool done = file.status == FileStatus::kDone && ReadResultFile(job.ResultPath(i), bundle, error);
        if (!done)
            bundle = FailedResult(file.path);
        const int32_t state = ResultStateOf(bundle.result.info, false);
        import.szOutcome = done ? ResultStateName(state) : std::string(ResultStateName(state)) + ": " + file.problem;
        std::string reason;
        const bool stored = StoreInTaskDb(
            [&](CSqliteDb& db) {
                return AddResultBundle(db, bundle, nTaskID, import.nResultID) &&
                       AddFarmImport(db, job.name, static_cast<int>(i), import);
            },
            reason);
        if (!stored) {
            // Another collector may have taken this file in the meantime: then it is done.
            CSqliteDb db;
            if (db.OpenTaskDb() && LoadFarmImports(db, job.name).count(static_cast<int>(i))) {
                ++outcome.importedBefore;
                continue;
            }
            outcome.storeError = "could not store the result of " + shown + ": " + reason;
            return outcome;
        }
        ++(done ? outcome.importedNow : outcome.failedNow);
        outcome.lines.push_back(std::string(done ? "imported " : "failed   ") + shown + "  -> result " +
                                std::to_string(import.nResultID) + "  " + import.szOutcome);
    }
    return outcome;
}

}  // namespace quarvik
