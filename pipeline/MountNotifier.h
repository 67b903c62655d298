// Removable disks for the desktop program: one watcher of the mount table for the whole process,
// and the routing of what it sees to the removable-disk tasks that run.
//
// CMountNotifier waits for the kernel's change notification of the mount table (poll() reports
// POLLPRI/POLLERR on /proc/<pid>/mountinfo whenever a mount comes or goes) and then compares
// the table with what it saw last (CMountWatcher). A mount table that is a plain file (a test's
// own) has no such notification; its folder is watched with inotify instead, so a table written
// or renamed into place counts as a change. Nothing is reread on a timer.
//
// CVolumeRouter hands the volumes to the tasks. The task that started last receives every
// volume that arrives from then on; at its start it is also handed each volume present that no
// other running task holds. A removal goes to the task that holds the volume. So a plugged-in
// disk is checked by one task only, and a stopped task gets nothing.
//
// Threads: the notifier's callback runs on its own thread; the owner takes the events to the
// router's home thread (the GUI thread). The router and its receivers live on that one thread.
#pragma once

#include "RemovableSource.h"

#include <atomic>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace quarvik {

class CMountNotifier {
public:
    using EventsFn = std::function<void(std::vector<MountEvent> events)>;

    // Starts watching paths.mountInfo at once. The first report lists every removable volume
    // present as arrived; later ones come only with changes.
    CMountNotifier(MountTablePaths paths, EventsFn onEvents);
    // Returns once the thread has ended (within a poll, at once).
    ~CMountNotifier();
    CMountNotifier(const CMountNotifier&) = delete;
    CMountNotifier& operator=(const CMountNotifier&) = delete;

    // False when neither kind of notification could be set up (the table is then read once).
    bool Watching() const { return m_watching; }

private:
    void Run();

    CMountWatcher m_watcher;
    const std::string m_table;
    const EventsFn m_onEvents;
    int m_tableFd = -1;   // the mount table itself, for POLLPRI
    int m_notifyFd = -1;  // inotify on the table's folder, for plain files
    int m_wakeFd = -1;    // eventfd that ends the thread
    bool m_watching = false;
    std::thread m_thread;
};

// A removable-disk task while it runs.
class IVolumeReceiver {
public:
    virtual void OnVolumeArrived(const std::string& mountPoint) = 0;
    virtual void OnVolumeRemoved(const std::string& mountPoint) = 0;

protected:
    ~IVolumeReceiver() = default;
};

class CVolumeRouter {
public:
    // A task starts: it receives the arrivals from now on, and now every present volume that
    // no other registered task holds. Registering twice changes nothing.
    void Register(IVolumeReceiver* receiver);
    // A task stops: it gets nothing more; the volumes it held are held by nobody (a task that
    // starts later takes them). Arrivals go to the task registered before it, if it still runs.
    void Unregister(IVolumeReceiver* receiver);
    // What the notifier saw.
    void OnEvents(const std::vector<MountEvent>& events);

    // The receiver of the next arrival, or null.
    IVolumeReceiver* Current() const { return m_receivers.empty() ? nullptr : m_receivers.back(); }
    const std::set<std::string>& Present() const { return m_present; }

private:
    std::vector<IVolumeReceiver*> m_receivers;  // in order of registration
    std::set<std::string> m_present;
    std::map<std::string, IVolumeReceiver*> m_holder;  // mount point -> task that has it
};

}  // namespace quarvik
