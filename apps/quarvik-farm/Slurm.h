// Slurm, through its own commands (sbatch, scontrol, sacct): the farm never schedules
// anything itself. Every command runs with a bounded wait; SLURM_CONF and the other variables
// of the environment reach them unchanged.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace quarvik {

struct SubmitOptions {
    std::string partition;
    int maxRunning = 0;  // array tasks running at once; 0: as the cluster allows
    // Further sbatch options of the site (account, QOS, time limit, --hold...), space separated;
    // from QUARVIK_FARM_SBATCH_OPTIONS.
    std::string extra;
};

// Submits one array job of count tasks running script; its job id, or false with a reason.
bool SubmitArrayJob(const std::string& script, const std::string& logPattern, size_t count,
                    const SubmitOptions& options, std::string& jobId, std::string& error);

enum class TaskPhase {
    kUnknown,  // Slurm knows nothing of the task (any more)
    kPending,
    kRunning,
    kCompleted,  // ended with exit status 0
    kFailed,     // failed, cancelled, timed out, node failure...: state and reason say which
};

struct TaskState {
    TaskPhase phase = TaskPhase::kUnknown;
    std::string state;   // Slurm's word: PENDING, RUNNING, CANCELLED...
    std::string node;    // where it runs or ran
    std::string reason;  // Slurm's reason and exit code, when it says more than the state
};

// The states of the array tasks of jobId that Slurm still knows, by task index: from the
// controller (scontrol), and for tasks it has forgotten from the accounting (sacct) where
// the cluster keeps one. False with a reason when the controller could not be asked: then
// nothing can be said of a task that is not listed.
bool QueryArrayTasks(const std::string& jobId, size_t count, std::map<size_t, TaskState>& states,
                     std::string& error);

}  // namespace quarvik
