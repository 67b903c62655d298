// CCheckRunner: the workers of one sub-task list — the manual check list or one monitoring
// task — without any window: a source thread (tasks), a thumbnail thread and, between Start
// and Stop, a check thread that runs the format check and the content check.
//
// The runner announces every sub-task that enters checking to the recorder, which stores its
// new result. Threading: construct, Start, Stop and destroy on the home thread of the list and
// the recorder; the list and the recorder outlive the runner. The workers reach both only through the dispatcher. Stop keeps serving the
// workers' calls until every worker has ended.
#pragma once

#include "CheckNotify.h"
#include "Dispatcher.h"
#include "ResultRecorder.h"
#include "SubTaskList.h"
#include "TemplRecords.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quarvik {

// A found file handed to the list (the owner's home thread adds it).
using HandOverFn = std::function<void(const std::string& path, int64_t fileSize)>;
// The body of a source thread: watches its target until the worker is told to stop.
using SourceBodyFn = std::function<void(CWorkerThread& self, const HandOverFn& handOver)>;
// The format check of one sub-task in checking; reports its notices to the sink given and
// returns true when the format is valid. Runs on the check thread.
using FormatCheckFn =
    std::function<bool(SubTaskInfo_t& subTask, const std::function<void(const ResultNotify_t&)>& notify)>;

class ICheckFetcher;

// The body of a task's download thread (FTP targets): takes sub-tasks waiting for download.
using DownloadBodyFn = std::function<void(CWorkerThread& self, IDispatcher& home, CSubTaskList& list)>;

struct CheckRunnerSetup {
    ListKind kind = ListKind::kManual;
    MonTask_t task{};         // manual list: nID -1, bPicute 1, bSyntax 0
    int32_t targetType = 2;   // TargetType; manual: 2
    SourceBodyFn source;      // tasks only
    // For sources that also ask the list (removable disks): builds the body at Start.
    std::function<SourceBodyFn(IDispatcher& home, CSubTaskList& list)> makeSource;
    FormatCheckFn formatCheck;  // used when task.bSyntax is set (the manual list too, from the checker)
    std::shared_ptr<ICheckFetcher> fetcher;  // copies the start of remote material; none: local only
    DownloadBodyFn downloads;   // tasks of FTP targets
    std::string paramsPath;   // content-check parameters; empty: "ave.dat" of the program folder
};

// The manual list's setup.
CheckRunnerSetup ManualCheckSetup();

class CCheckRunner {
public:
    CCheckRunner(IDispatcher& home, CSubTaskList& list, CResultRecorder& recorder,
                 CheckRunnerSetup setup);
    ~CCheckRunner();

    // The thumbnail thread runs for the runner's whole life (the manual list's does from
    // construction; a task's from Start).
    void StartThumbnails();
    // Unless the cache folder is set and exists (its message returned in error): false.
    bool Start(std::string* error = nullptr);
    void Stop();
    bool Running() const { return m_running; }

    // Where previews and progress of the checks go; picked up by the next step.
    void SetMonitor(ICheckMonitor* monitor, int32_t monitorFlag);

private:
    class HomeSink;
    class HomeMonitor;
    class ResultAnnouncer;

    // A worker's loop: take the next sub-task on the home thread and work on it, or idle.
    void ServeList(CWorkerThread& self, bool (CSubTaskList::*take)(SubTaskInfo_t&),
                   void (CCheckRunner::*work)(CWorkerThread&, SubTaskInfo_t&));
    void ThumbnailOne(CWorkerThread& self, SubTaskInfo_t& subTask);
    void CheckOne(CWorkerThread& self, SubTaskInfo_t& subTask);
    void Report(int32_t code, const SubTaskInfo_t& subTask);

    IDispatcher& m_home;
    CSubTaskList& m_list;
    const CheckRunnerSetup m_setup;
    std::unique_ptr<HomeSink> m_sink;
    std::unique_ptr<HomeMonitor> m_monitor;
    std::unique_ptr<ResultAnnouncer> m_announcer;
    std::atomic<int32_t> m_nMonitorFlag{0};
    std::atomic<bool> m_monitorChanged{false};
    bool m_running = false;
    CWorkerThread m_sourceThread, m_thumbnailThread, m_downloadThread, m_checkThread;
};

}  // namespace quarvik
