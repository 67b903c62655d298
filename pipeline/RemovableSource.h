// The removable-disk source of a monitoring task (target type 3).
//
// A "drive" here is the mount point of a removable block device. CMountWatcher compares the
// mount table with what it saw last and reports mount points of removable devices that
// appeared or went away; the source scans the root of every mount point that appears (the
// ones present when the task starts included) and hands on each media file found there.
//
// Removable: the disk behind a mount (a partition is resolved to the disk holding it) has
// "1" in /sys/block/<disk>/removable. Mounts whose major:minor has no block device in sysfs
// (tmpfs, proc, network file systems) never count.
//
// Threads: a watcher and a scan belong to the source thread. The callbacks of the body run on
// that thread; the owner routes them to the list's home thread with IDispatcher::Send. Nothing
// is remembered between scans: the list's duplicate rule keeps a file from being added twice
// in one run, so plugging a disk in again adds only what the list does not hold.
#pragma once

#include "CheckRunner.h"
#include "Dispatcher.h"
#include "SubTaskList.h"
#include "TemplRecords.h"

#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace quarvik {

// Where the watcher reads the system's state; tests point both at trees of their own.
struct MountTablePaths {
    std::string mountInfo = "/proc/self/mountinfo";
    std::string sysfsRoot = "/sys";  // holds dev/block/<major>:<minor> and block/<disk>/removable
};

// The system's paths, or the ones QUARVIK_MOUNTINFO and QUARVIK_SYSFS name: a mount table and a
// sysfs tree of one's own, so a disk can be plugged in on a machine that has none.
MountTablePaths MountTablePathsFromEnvironment();

struct MountEvent {
    bool arrived;  // false: removed
    std::string mountPoint;
};

class CMountWatcher {
public:
    explicit CMountWatcher(MountTablePaths paths = {});

    // Reads the mount table once. The first call reports every removable mount point present
    // as arrived. Removals come before arrivals, so a disk remounted elsewhere between two
    // polls is first taken away and then scanned at its new place. An unreadable table reads
    // as unchanged (a transient failure must not look like every disk pulled out).
    std::vector<MountEvent> Poll();

    // The removable mount points of the table, in table order (one read, no state kept).
    std::vector<std::string> ReadRemovableMounts() const;

private:
    bool IsRemovableDevice(const std::string& majorMinor) const;

    const MountTablePaths m_paths;
    std::set<std::string> m_known;
};

// One mount point's root scan: every regular file directly in it (no sub-folders) whose video
// or audio stream 0 has a codec text in MediaInfo is handed on with its path and size. Returns
// false when stopRequested() became true before the scan ended.
bool ScanMountPoint(const std::string& mountPoint,
                    const std::function<void(const std::string& path, int64_t size)>& handOver,
                    const std::function<bool()>& stopRequested = {});

// The duplicate rule of a removable-disk list: a path equal to a sub-task's szFilename is
// dropped. Home thread only.
bool IsListedPath(const CSubTaskList& list, const std::string& path);

// What the body asks of the list; both calls are synchronous and run on the list's home thread.
struct RemovableListLink {
    // The duplicate rule (IsListedPath).
    std::function<bool(const std::string& path)> isListed;
    // A volume went away: its unfinished sub-tasks go (CSubTaskList::RemoveUnfinishedUnder).
    std::function<void(const std::string& mountPoint)> onVolumeRemoved;
};

// The link for a list, with both calls routed through home.Send.
RemovableListLink HomeListLink(IDispatcher& home, CSubTaskList& list);

// The volumes handed to a running removable-disk task from outside (the desktop program's one
// watcher of the mount table), in order. Put from any thread; taken by the task's source thread.
class CVolumeMailbox {
public:
    void Put(MountEvent event);
    std::vector<MountEvent> Take();

private:
    std::mutex m_mutex;
    std::vector<MountEvent> m_events;
};

// Polling interval of the mount table in the source body, and the wait for the mailbox.
constexpr int kMountPollMs = 250;
constexpr int kVolumeMailboxWaitMs = 100;

// The source thread of a removable-disk target: confirms the start, then polls the mount table
// every kMountPollMs, scanning arrived volumes and reporting removed ones, and returns promptly
// (within one poll interval, or between two files of a scan) once the stop event is set. With
// volumes it watches nothing itself: it takes the arrivals and removals put there (every
// kVolumeMailboxWaitMs), so a removal is reported only after a scan of its volume has ended.
SourceBodyFn RemovableSourceBody(const MonObj_t& target, RemovableListLink link,
                                 MountTablePaths paths = {},
                                 std::shared_ptr<CVolumeMailbox> volumes = nullptr);

}  // namespace quarvik
