// What became of the files of a farm job, and taking their results into the station's task.db.
#pragma once

#include "FarmImports.h"
#include "FarmJob.h"
#include "Slurm.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quarvik {

enum class FileStatus {
    kPending,
    kRunning,
    kDone,    // its result file is there
    kFailed,  // Slurm ended it without a result file (failed, cancelled, timed out...)
};

struct FarmFileStatus {
    std::string path;
    FileStatus status = FileStatus::kPending;
    TaskState slurm;
    int32_t resultState = 0;  // kDone: how the check ended (a sub-task state, 12 when finished)
    std::string problem;      // kFailed: why, in Slurm's words and the check's last line
    bool imported = false;
    FarmImport import;  // imported: the result it became in task.db
};

// Where every file of the job stands now. When Slurm could not be asked (slurmError set), a
// file without a result file counts as pending, never as failed.
std::vector<FarmFileStatus> FarmJobStatus(const FarmJob& job, std::string& slurmError);

const char* FileStatusName(FileStatus status);

struct CollectOutcome {
    int importedNow = 0;
    int failedNow = 0;  // stored as failed results now
    int importedBefore = 0;
    int waiting = 0;  // still pending or running
    std::vector<std::string> lines;  // one per file handled now
    std::string storeError;          // a write that failed for good (the rest was not tried)
    std::string slurmError;          // Slurm could not be asked: files without a result wait
};

// Imports every ended file of the job that is not imported yet as a result of task nTaskID
// (-1: the manual check list): a result file as the node stored it; a file Slurm ended without
// one as a result that failed ("无法打开" when the file is gone, else "检测中断"), with Slurm's
// reason in the ledger. Each file is one write unit with its ledger row, so a collector that
// is killed midway and run again imports every file once.
CollectOutcome CollectFarmJob(const FarmJob& job, int32_t nTaskID);

}  // namespace quarvik
