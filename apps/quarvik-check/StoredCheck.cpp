#include "StoredCheck.h"

#include "CheckRunner.h"
#include "FileDisplay.h"
#include "FormatCheck.h"
#include "FtpClient.h"
#include "PlayoutClipNames.h"
#include "SqliteDb.h"
#include "StoredReport.h"
#include "TaskQueries.h"
#include "TaskSetup.h"
#include "TemplReaders.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

namespace quarvik {
namespace {

// Follows the checks until every added sub-task has ended one way or another.
class CompletionWatch {
public:
    explicit CompletionWatch(CSubTaskList& list, CResultRecorder& recorder) : m_listSide(*this, list), m_resultSide(*this)
    {
        list.AddObserver(&m_listSide);
        recorder.AddObserver(&m_resultSide);
    }

    bool AllEnded(int rows) const { return static_cast<int>(m_ended.size()) >= rows; }
    bool OpenFailed(int row) const { return m_openFailed.count(row) > 0; }
    bool Ended(int row) const { return m_ended.count(row) > 0; }

private:
    struct ListSide : ISubTaskListObserver {
        ListSide(CompletionWatch& w, const CSubTaskList& l) : watch(w), list(l) {}
        void OnRowAdded(int) override {}
        void OnRowsReloaded() override {}
        void OnRowChanged(int row) override
        {
            const int32_t state = list.Row(row).nState;
            if (state == kSubTaskInfoError || state == kSubTaskDone || state == kSubTaskFormatInvalid ||
                state == kSubTaskPictureError || state == kSubTaskInterrupted || state == kSubTaskOpenFailed ||
                state == kSubTaskStoreFailed)
                watch.m_ended.insert(row);
        }
        void OnEntersChecking(const SubTaskInfo_t& subTask) override { watch.m_checking = subTask.nIndex; }
        void OnStoreFailed(int row) override { watch.m_ended.insert(row); }
        CompletionWatch& watch;
        const CSubTaskList& list;
    };
    struct ResultSide : IResultListObserver {
        explicit ResultSide(CompletionWatch& w) : watch(w) {}
        void OnRowAppended(int) override {}
        void OnRowChanged(int) override {}
        void OnReloaded() override {}
        void OnFaultRecorded(int, const ResultNotify_t&) override {}
        void OnReport(int code) override
        {
            // One check runs at a time: an open failure belongs to the sub-task in checking.
            if (code == 3 && watch.m_checking >= 0) {
                watch.m_openFailed.insert(watch.m_checking);
                watch.m_ended.insert(watch.m_checking);
            }
        }
        CompletionWatch& watch;
    };

    ListSide m_listSide;
    ResultSide m_resultSide;
    std::set<int> m_ended, m_openFailed;
    int m_checking = -1;
};

int64_t FileSize(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

// "scheme://...": an address, not a local path.
bool HasScheme(const std::string& path)
{
    const size_t end = path.find("://");
    return end != std::string::npos && end > 0 && std::isalpha(static_cast<unsigned char>(path[0])) &&
           std::all_of(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(end), [](unsigned char c) {
               return std::isalnum(c) || c == '+' || c == '-' || c == '.';
           });
}

// The sub-task type of an input as the manual list gives it, and its size: an FTP file (0)
// with its remote size, a stream address (1) with size 0, a local file (2) with its size. A
// size that cannot be learnt is 0; the thumbnail step then tells what is wrong.
int32_t InputType(const std::string& path, int64_t& size)
{
    size = 0;
    if (path.starts_with("ftp://")) {
        FtpRemoteSize(path, size);
        return kTargetFtp;
    }
    if (HasScheme(path))
        return kTargetUdp;
    size = FileSize(path);
    return kTargetFolder;
}

// A local file's name from the root, as given otherwise (links are not resolved).
std::string WholePath(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path whole = std::filesystem::absolute(path, error);
    return error || path.empty() ? path : whole.lexically_normal().string();
}

// What the check of a sub-task found, as the recorder heard it. The recorder stored it and
// read it back; what it could not store is named in storeError.
FileReport CheckedReport(const CSubTaskList& list, int listRow, const CResultRecorder& recorder, bool failed)
{
    const SubTaskInfo_t& subTask = list.Row(listRow);
    FileReport report;
    report.path = subTask.szFilename;
    report.opened = !failed && subTask.nState != kSubTaskInfoError;
    report.storeError = list.StoreError(listRow);
    const int row = recorder.FindRow(subTask.nTaskID, subTask.nID);
    if (subTask.nID <= 0 || row < 0)
        return report;
    const ResultRow_t& checked = recorder.Row(row);
    const ResultInfo_t& result = checked.info;
    report.storeError = checked.storeError;
    if (const auto& loudness = checked.loudness) {
        report.loudness = loudness->info;
        report.loudnessVerdict = loudness->nVerdict;
    }
    report.resultId = result.nID;
    report.interrupted = recorder.Row(row).State() == kSubTaskInterrupted;
    report.formatVerdict = result.nFmtError;
    report.frames = result.nFrame > 0 ? result.nFrame + 1 : 0;
    report.speedFps = result.fSpeed;
    for (const FaultInfo_t& f : checked.events)
        report.events.push_back({f.nFault, f.tmBegin, f.tmEnd, f.nValue});
    for (const SyntaxErrRow& e : checked.deviations)
        report.deviations.push_back({e.szType, e.szName, e.szVaildValue1, e.szVaildValue2, e.szRealValue});
    return report;
}

}  // namespace

int FindTemplateId(const std::string& name)
{
    CSqliteDb db;
    if (!db.OpenTemplDb())
        return -1;
    for (const IdName_t& t : LoadSyntaxNames(db)) {
        if (name == t.szName)
            return t.nID;
    }
    return -1;
}

bool RunStoredChecks(const std::vector<std::string>& paths, const StoredCheckOptions& options,
                     std::vector<FileReport>& reports, std::string& error)
{
    CheckRunnerSetup setup = ManualCheckSetup();
    setup.paramsPath = options.paramsPath;
    setup.fetcher = MakeRemoteFetcher();
    if (!options.templateName.empty()) {
        const int id = FindTemplateId(options.templateName);
        setup.formatCheck = id < 0 ? FormatCheckFn() : MakeFormatCheck(id, setup.fetcher);
        if (!setup.formatCheck) {
            error = "no format template named " + options.templateName;
            return false;
        }
        setup.task.bSyntax = 1;
    }

    CEventLoop home;
    CSubTaskList list(ListKind::kManual, -1, kTargetFolder);
    CResultRecorder recorder;
    CPlayoutClipNames clipNames;
    SetUpStoringRecorder(recorder, clipNames);
    CompletionWatch watch(list, recorder);

    std::vector<std::string> ignored;
    for (const std::string& given : paths) {
        int64_t size = 0;
        const int32_t type = InputType(given, size);
        // A stored name must still find the file from any other folder (playback, reports).
        const std::string path = type == kTargetFolder ? WholePath(given) : given;
        for (const std::string& duplicate : list.AddCandidates({{path, size}}, type))
            ignored.push_back(duplicate);
    }
    std::fputs(DuplicatesNotice(ignored).c_str(), stderr);

    CCheckRunner runner(home, list, recorder, setup);
    if (!runner.Start(&error))
        return false;
    runner.StartThumbnails();
    const auto busy = [&] {
        return !watch.AllEnded(list.Count()) && !(options.interrupted && options.interrupted());
    };
    while (!home.PumpWhile(busy, 1000)) {
    }
    runner.Stop();
    std::vector<int> unfinished;
    for (int row = 0; row < list.Count(); ++row) {
        reports.push_back(CheckedReport(list, row, recorder, watch.OpenFailed(row)));
        if (!watch.Ended(row))
            unfinished.push_back(row);
    }
    // Interrupted checks leave no sub-task behind that would make the next run take these
    // files for duplicates; what their results stored so far stays.
    list.Delete(std::move(unfinished));
    for (const std::string& path : ignored) {
        FileReport report;
        report.path = path;
        report.duplicate = true;
        reports.push_back(report);
    }
    return true;
}

bool WriteStoredReports(std::vector<FileReport>& reports, const std::string& parentFolder,
                        std::vector<std::string>& errors)
{
    const size_t errorsBefore = errors.size();
    CSqliteDb db;
    const bool opened = db.OpenTaskDb();
    // Files of the same name from different folders would share a report folder; the later
    // one must not silently replace the report just written.
    std::map<std::string, std::string> writtenBy;
    for (FileReport& report : reports) {
        if (report.resultId <= 0 || !report.opened || !report.storeError.empty())
            continue;
        const std::string notWritten = "report of " + DisplayFileName(report.path) +
                                       " not written (it stays stored as result " +
                                       std::to_string(report.resultId) + "): ";
        ResultRow row;
        if (!opened || !LoadStoredResult(db, report.resultId, row)) {
            errors.push_back(notWritten + "cannot read it from the task database");
            continue;
        }
        const std::string folder = parentFolder + "/" + ReportFolderName(row.info);
        const auto [earlier, isNew] = writtenBy.emplace(folder, DisplayFileName(report.path));
        if (!isNew) {
            errors.push_back(notWritten + folder + " already holds the report of " + earlier->second);
            continue;
        }
        std::string written;
        const ReportOutcome outcome = WriteStoredResultReport(db, report.resultId, parentFolder, &written);
        if (outcome.ok)
            report.reportFolder = written;
        else
            errors.push_back(notWritten + outcome.error);
    }
    return errors.size() == errorsBefore;
}

}  // namespace quarvik
