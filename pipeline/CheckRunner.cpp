#include "CheckRunner.h"

#include "CheckRun.h"
#include "FFCapture.h"
#include "FormatCheck.h"
#include "Settings.h"
#include "TextField.h"
#include "UdpSource.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

namespace quarvik {

namespace {

constexpr int kIdleSleepMs = 1000;
constexpr int kThumbnailSeconds = 25;

// Pictures per second over a whole check; a check quicker than a millisecond counts as one.
int32_t AverageSpeed(int64_t pictures, std::chrono::steady_clock::duration took)
{
    const int64_t ms = std::max<int64_t>(1, std::chrono::duration_cast<std::chrono::milliseconds>(took).count());
    return static_cast<int32_t>(std::min<int64_t>(pictures * 1000 / ms, INT32_MAX));
}

// The first picture of a file at 40 x 40, when one comes within 25 seconds; false when the
// file cannot be opened. A file without a picture to show (sound only, or a video stream that
// gives none, which its check reports as video lost) is material to check all the same: true,
// no pixels.
bool GrabThumbnail(const std::string& path, std::vector<uint8_t>& pixels)
{
    CFFCapture capture;
    if (!capture.Open(path.c_str()) || !capture.SetVideoOut(40, 40))
        return false;
    if (!capture.HasVideo())
        return capture.HasAudio();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kThumbnailSeconds);
    const AVFrame* unit = nullptr;
    while (std::chrono::steady_clock::now() < deadline) {
        const int got = capture.ReadFrame(&unit);
        if (got == kReadEnd)
            break;
        if (got == kReadPicture) {
            pixels.assign(unit->data[0], unit->data[0] + 40 * 40 * 3);
            break;
        }
    }
    return true;
}

}  // namespace

// Engine notices travel to the recorder on the home thread; the engine waits meanwhile, so
// the snapshot it lends stays valid.
class CCheckRunner::HomeSink : public ICheckResultSink {
public:
    HomeSink(IDispatcher& home, CResultRecorder& recorder) : m_home(home), m_recorder(recorder) {}
    void OnFaultNotice(const ResultNotify_t& n) override { m_home.Send([&] { m_recorder.OnFaultNotice(n); }); }
    void OnCheckFinished(const ResultNotify_t& n) override { m_home.Send([&] { m_recorder.OnCheckFinished(n); }); }
    void OnOpenFailed(const ResultNotify_t& n) override { m_home.Send([&] { m_recorder.OnOpenFailed(n); }); }
    void OnLoudness(int32_t taskId, int32_t subTaskId, const LoudnessInfo_t& l) override
    {
        m_home.Send([&] { m_recorder.OnLoudness(taskId, subTaskId, l); });
    }
    void OnMaterialClock(int32_t taskId, int32_t subTaskId, const MaterialClock& clock) override
    {
        m_home.Send([&] { m_recorder.OnMaterialClock(taskId, subTaskId, clock); });
    }
    void OnFormatNotice(const ResultNotify_t& n) { m_home.Send([&] { m_recorder.OnFormatNotice(n); }); }
    void OnCheckStopped(const ResultNotify_t& n) { m_home.Send([&] { m_recorder.OnCheckStopped(n); }); }
    // Everything the check of this sub-task reported is stored.
    bool Stored(const SubTaskInfo_t& s)
    {
        bool stored = false;
        m_home.Send([&] {
            const int row = m_recorder.FindRow(s.nTaskID, s.nID);
            stored = row >= 0 && m_recorder.Row(row).storeError.empty();
        });
        return stored;
    }

private:
    IDispatcher& m_home;
    CResultRecorder& m_recorder;
};

// Previews and progress travel to the monitor on the home thread.
class CCheckRunner::HomeMonitor : public ICheckMonitor {
public:
    explicit HomeMonitor(IDispatcher& home) : m_home(home) {}
    void Set(ICheckMonitor* target)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_target = target;
    }
    void OnPreviewPicture(const BitmapInfoHeader_t& header, const uint8_t* pixels) override
    {
        if (ICheckMonitor* t = Target())
            m_home.Send([&] { t->OnPreviewPicture(header, pixels); });
    }
    void OnCheckProgress(bool checking, const CheckProgress_t& progress) override
    {
        if (ICheckMonitor* t = Target())
            m_home.Send([&] { t->OnCheckProgress(checking, progress); });
    }
    void OnFaultMark(int32_t tmBegin, int32_t tmEnd, const char* name) override
    {
        if (ICheckMonitor* t = Target())
            m_home.Send([&] { t->OnFaultMark(tmBegin, tmEnd, name); });
    }

private:
    ICheckMonitor* Target()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_target;
    }
    IDispatcher& m_home;
    std::mutex m_mutex;
    ICheckMonitor* m_target = nullptr;
};

// A sub-task entering checking gets its new result (on the home thread already).
class CCheckRunner::ResultAnnouncer : public ISubTaskListObserver {
public:
    explicit ResultAnnouncer(CResultRecorder& recorder) : m_recorder(recorder) {}
    void OnRowAdded(int) override {}
    void OnRowChanged(int) override {}
    void OnRowsReloaded() override {}
    void OnEntersChecking(const SubTaskInfo_t& subTask) override { m_recorder.OnNewResult(subTask); }

private:
    CResultRecorder& m_recorder;
};

CheckRunnerSetup ManualCheckSetup()
{
    CheckRunnerSetup setup;
    setup.kind = ListKind::kManual;
    setup.task.nID = -1;
    setup.task.bPicute = 1;
    setup.targetType = kTargetFolder;
    return setup;
}

CCheckRunner::CCheckRunner(IDispatcher& home, CSubTaskList& list, CResultRecorder& recorder,
                           CheckRunnerSetup setup)
    : m_home(home), m_list(list), m_setup(std::move(setup)),
      m_sink(std::make_unique<HomeSink>(home, recorder)),
      m_monitor(std::make_unique<HomeMonitor>(home)),
      m_announcer(std::make_unique<ResultAnnouncer>(recorder))
{
    m_list.AddObserver(m_announcer.get());
}

CCheckRunner::~CCheckRunner()
{
    Stop();
    m_thumbnailThread.Stop(m_home);
    m_list.RemoveObserver(m_announcer.get());
}

void CCheckRunner::SetMonitor(ICheckMonitor* monitor, int32_t monitorFlag)
{
    m_monitor->Set(monitor);
    m_nMonitorFlag = monitorFlag;
    m_monitorChanged = true;
}

void CCheckRunner::StartThumbnails()
{
    if (!m_thumbnailThread.Running())
        m_thumbnailThread.Start([this](CWorkerThread& self) {
            ServeList(self, &CSubTaskList::TakeNextNew, &CCheckRunner::ThumbnailOne);
        });
}

bool CCheckRunner::Start(std::string* error)
{
    if (m_running)
        return true;
    const std::string cache = ReadSetting(kCachePath);
    if (!IsExistingFolder(cache)) {
        if (error)
            *error = "缓存文件夹未设置或者无效!";
        return false;
    }
    m_list.ResetForStart();
    if (m_setup.kind == ListKind::kTask) {
        const HandOverFn handOver = [this](const std::string& path, int64_t size) {
            m_home.Send([&] { m_list.Add(path, size, m_setup.targetType); });
        };
        const SourceBodyFn source = m_setup.makeSource ? m_setup.makeSource(m_home, m_list) : m_setup.source;
        if (!source ||
            !m_sourceThread.Start([source, handOver](CWorkerThread& self) { source(self, handOver); }))
            return false;
        StartThumbnails();
        if (m_setup.downloads) {
            const DownloadBodyFn downloads = m_setup.downloads;
            m_downloadThread.Start([this, downloads](CWorkerThread& self) { downloads(self, m_home, m_list); });
        }
    }
    m_checkThread.Start([this](CWorkerThread& self) {
        ServeList(self, &CSubTaskList::TakeNextForCheck, &CCheckRunner::CheckOne);
    });
    m_running = true;
    return true;
}

void CCheckRunner::Stop()
{
    if (!m_running)
        return;
    m_sourceThread.Stop(m_home);
    m_checkThread.Stop(m_home);
    m_downloadThread.Stop(m_home);
    if (m_setup.kind == ListKind::kTask)
        m_thumbnailThread.Stop(m_home);
    m_running = false;
}

void CCheckRunner::Report(int32_t code, const SubTaskInfo_t& subTask)
{
    m_home.Send([&] { m_list.OnCheckReport(code, subTask); });
}

void CCheckRunner::ServeList(CWorkerThread& self, bool (CSubTaskList::*take)(SubTaskInfo_t&),
                             void (CCheckRunner::*work)(CWorkerThread&, SubTaskInfo_t&))
{
    self.ConfirmStarted();
    while (!self.StopRequested()) {
        SubTaskInfo_t subTask;
        bool taken = false;
        m_home.Send([&] { taken = (m_list.*take)(subTask); });
        if (taken)
            (this->*work)(self, subTask);
        else if (self.SleepUnlessStopped(kIdleSleepMs))
            break;
    }
}

void CCheckRunner::ThumbnailOne(CWorkerThread& self, SubTaskInfo_t& subTask)
{
    // Local files are read in place; the start of remote material is fetched into the cache.
    // The manual list looks at a stream live, as its check reads it: recording the first 4 MB
    // first would fail a stream that brings less before it falls silent.
    std::string local;
    std::vector<uint8_t> pixels;
    CUdpPortTurn streamTurn;  // given back after the thumbnail's reader is gone
    bool fetched = false;
    if (m_setup.kind == ListKind::kManual && IsUdpStreamAddress(subTask.szFilename)) {
        local = subTask.szFilename;
        fetched = TakeStreamTurn(local, streamTurn, [&self] { return self.StopRequested(); });
    } else {
        fetched = FetchForChecking(subTask, m_setup.fetcher.get(), local);
    }
    const bool copy = fetched && local != subTask.szFilename;
    ThumbnailReport_t report;
    std::memset(&report, 0, sizeof(report));
    report.nSerial = subTask.nSerial;
    if (copy && m_setup.kind == ListKind::kTask) {
        // A task keeps the copy for its format check, which removes it after use.
        CopyField(report.szLocalFile, local);
        m_home.Send([&] { m_list.OnThumbnail(kThumbnailLocalCopy, report); });
    }
    const bool grabbed = fetched && GrabThumbnail(local, pixels);
    if (copy && m_setup.kind == ListKind::kManual)
        std::remove(local.c_str());
    report.header = {40, 40, -40, 1, 24, 0, 4800, 0, 0, 0, 0};
    if (!pixels.empty()) {
        report.pixels = pixels.data();
        report.nLength = static_cast<int32_t>(pixels.size());
    }
    m_home.Send([&] { m_list.OnThumbnail(grabbed ? kThumbnailTaken : kThumbnailFailed, report); });
}

void CCheckRunner::CheckOne(CWorkerThread& self, SubTaskInfo_t& subTask)
{
    const MonTask_t& task = m_setup.task;
    bool formatPassed = true;
    if (task.bSyntax) {
        formatPassed = m_setup.formatCheck &&
                       m_setup.formatCheck(subTask, [this](const ResultNotify_t& n) { m_sink->OnFormatNotice(n); });
        Report(formatPassed ? kReportFormatValid : kReportFormatInvalid, subTask);
    } else if (task.bPicute) {
        // The content check begins: the manual list shows it, the result learns it has no
        // verdict and that its counters start at 0 (not "-", nothing counted).
        if (m_setup.kind == ListKind::kManual)
            Report(kReportFormatValid, subTask);
        ResultNotify_t begins;
        std::memset(&begins, 0, sizeof(begins));
        begins.nTaskID = subTask.nTaskID;
        begins.nSubTaskID = subTask.nID;
        m_sink->OnFormatNotice(begins);
    }
    ResultNotify_t end;
    std::memset(&end, 0, sizeof(end));
    end.nTaskID = subTask.nTaskID;
    end.nSubTaskID = subTask.nID;
    if (!task.bPicute || !formatPassed) {
        m_sink->OnCheckFinished(end);  // the check ends with its format check
        if (!m_sink->Stored(subTask))
            Report(kReportStoreFailed, subTask);
        return;
    }

    // Given back only after the engine, and with it the engine's socket, is gone.
    CUdpPortTurn streamTurn;
    if (!TakeStreamTurn(std::string(FieldText(subTask.szNewFilename)), streamTurn, [&self] { return self.StopRequested(); }))
        return;  // stopped while another reader had the stream's port
    CFFCheck engine(m_setup.paramsPath.empty() ? ContentParamsPath() : m_setup.paramsPath);
    engine.SetResultSink(m_sink.get());
    engine.SetMonitor(m_monitor.get(), m_nMonitorFlag);
    if (m_setup.targetType == kTargetUdp)
        engine.SetPreviewPeriod(0);

    CheckRunHooks hooks;
    hooks.shouldStop = [&] {
        if (m_monitorChanged.exchange(false))
            engine.SetMonitor(m_monitor.get(), m_nMonitorFlag);
        return self.StopRequested();
    };
    hooks.stopWaits = [&self] { return self.StopRequested(); };
    int32_t lastSpeed = 0;
    const auto tellMonitor = [&](int32_t percent, int32_t speed) {
        if (!m_nMonitorFlag)
            return;
        CheckProgress_t progress;
        std::memset(&progress, 0, sizeof(progress));
        CopyField(progress.szFile, subTask.szNewFilename);
        progress.nProgress = percent;
        progress.nPictures = engine.AnalysedTime();
        if (engine.MaterialTime().Differs())
            CopyField(progress.szTimeCode, engine.MaterialTime().TimeCodeAt(progress.nPictures).c_str());
        progress.nSpeed = speed;
        m_monitor->OnCheckProgress(true, progress);
    };
    hooks.onProgress = [&](CFFCheck& e) {
        subTask.nProgress = e.ProgressPercent();
        Report(kReportProgress, subTask);
        lastSpeed = e.TakeSpeed(static_cast<int64_t>(std::time(nullptr)));
        tellMonitor(subTask.nProgress, lastSpeed);
    };
    if (m_setup.targetType == kTargetRemovable) {
        // A disk being pulled out ends its files early: wait before taking the end as real.
        hooks.atEnd = [&] { self.SleepUnlessStopped(2000); };
    }
    // The monitor names the file at once, not only with the first progress two seconds on.
    subTask.nProgress = 0;
    tellMonitor(0, 0);
    const auto started = std::chrono::steady_clock::now();
    // A result that could not be stored whole ends its sub-task as such, whatever the check did.
    switch (RunContentCheck(engine, subTask.szNewFilename, subTask.nTaskID, subTask.nID, hooks)) {
    case CheckOutcome::kFinished:
        // The monitor's timeline shows the whole file with every fault marked, and the speed of
        // the whole check, also for a file checked before its first progress.
        tellMonitor(100, AverageSpeed(engine.PictureCount(), std::chrono::steady_clock::now() - started));
        Report(m_sink->Stored(subTask) ? kReportDone : kReportStoreFailed, subTask);
        break;
    case CheckOutcome::kOpenFailed:
        // A task's download that vanished from the cache is fetched again; the result keeps
        // saying that this check could not open it.
        if (!m_sink->Stored(subTask))
            Report(kReportStoreFailed, subTask);
        else if (m_setup.downloads && !std::strstr(subTask.szNewFilename, "://") &&
                 access(subTask.szNewFilename, F_OK) != 0 && errno == ENOENT)
            Report(kReportCopyGone, subTask);
        else
            Report(kReportOpenFailed, subTask);
        break;
    case CheckOutcome::kStopped:
        end.nFrame = engine.LastPictureIndex();
        m_sink->OnCheckStopped(end);
        Report(m_sink->Stored(subTask) ? kReportStopped : kReportStoreFailed, subTask);
        break;
    }
}

}  // namespace quarvik
