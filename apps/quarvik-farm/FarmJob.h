// A farm job on disk: one folder in the farm's spool, on storage that the submitting machine,
// every node and the collector see under the same path.
//
//   job.json       what was submitted: the files in order, the template, Slurm's job id
//   files.txt      the files, one per line (line N+1 is array task N)
//   rules/         the program folder's parameters, templates and settings at submission:
//                  every node judges by these, whatever its own program folder holds
//   run.sh         the batch script of one array task
//   results/N.json the result file of file N (ResultFile.h), written by its node
//   logs/N.out     what the check of file N printed
#pragma once

#include <string>
#include <vector>

namespace quarvik {

struct FarmJob {
    std::string folder;  // the job's folder
    std::string name;    // its name in the spool: the key of its imports
    std::string jobId;   // Slurm's job id; empty until submitted
    std::string templateName;
    std::vector<std::string> files;  // absolute paths

    std::string ResultPath(size_t index) const;
    std::string LogPath(size_t index) const;
    std::string ScriptPath() const;
};

// The spool: given, else $QUARVIK_FARM_SPOOL, else "farm" in the program folder.
std::string FarmSpool(const std::string& given);

// The files to check: every argument as an absolute path, folders replaced by the regular
// files below them (sorted, hidden ones skipped). False with a reason for a path that does not
// exist or a name with a line break (a line of files.txt names one file).
bool ExpandFarmInputs(const std::vector<std::string>& arguments, std::vector<std::string>& files, std::string& error);

// Creates a new job folder in spool with the files, a copy of the judging files of the program
// folder and the batch script running checker; false with a reason.
bool CreateFarmJob(const std::string& spool, const std::vector<std::string>& files, const std::string& templateName,
                   const std::string& checker, FarmJob& job, std::string& error);

// Writes job.json again (after submission).
bool SaveFarmJob(const FarmJob& job, std::string& error);

// The job of Slurm job id jobId in spool (the newest when ids were reused); false with a reason.
bool FindFarmJob(const std::string& spool, const std::string& jobId, FarmJob& job, std::string& error);

}  // namespace quarvik
