#include "TaskCommands.h"

#include "CheckReport.h"
#include "CheckRunner.h"
#include "FaultKinds.h"
#include "FormatCheck.h"
#include "PlayoutClipNames.h"
#include "Settings.h"
#include "SqliteDb.h"
#include "StoredCheck.h"
#include "TaskSetup.h"
#include "TemplReaders.h"
#include "TextField.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

namespace quarvik {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitTrouble = 2;

void PrintLine(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

// What a running task could not store: told on stderr, as every failure of the checker.
void PrintStoreError(const std::string& message)
{
    std::fprintf(stderr, "quarvik-check: %s\n", message.c_str());
}

// Prints the state changes of one task's sub-tasks.
class StateLog : public ISubTaskListObserver {
public:
    StateLog(const CSubTaskList& list, std::string prefix) : m_list(list), m_prefix(std::move(prefix)) {}
    void OnRowAdded(int row) override { Print(row); }
    void OnRowsReloaded() override {}
    void OnEntersChecking(const SubTaskInfo_t&) override {}
    void OnRowChanged(int row) override
    {
        if (m_last[row] != m_list.Row(row).nState)
            Print(row);
    }
    void OnStoreFailed(int row) override { PrintStoreError(m_prefix + m_list.StoreError(row)); }

private:
    void Print(int row)
    {
        const SubTaskInfo_t& s = m_list.Row(row);
        m_last[row] = s.nState;
        const std::string state = SubTaskStateLogName(m_list.Kind(), s.nState);
        PrintLine(m_prefix + LineText(DisplayFileName(s.szFilename)) + ": " +
                  (state.empty() ? "state " + std::to_string(s.nState) : state));
    }
    const CSubTaskList& m_list;
    const std::string m_prefix;
    std::map<int, int32_t> m_last;
};

// Prints every fault event the recorder counts.
class FaultLog : public IResultListObserver {
public:
    explicit FaultLog(const CResultRecorder& recorder) : m_recorder(recorder) {}
    void OnRowAppended(int) override {}
    void OnRowChanged(int) override {}
    void OnReloaded() override {}
    void OnReport(int) override {}
    void OnStoreFailed(int row) override
    {
        const ResultRow_t& r = m_recorder.Row(row);
        PrintStoreError("[task " + std::to_string(r.info.nTaskID) + "] " + r.storeError);
    }
    void OnFaultRecorded(int row, const ResultNotify_t& n) override
    {
        const ResultInfo_t& r = m_recorder.Row(row).info;
        std::string line = "[task " + std::to_string(r.nTaskID) + "] " + LineText(DisplayFileName(r.szFilename)) + ": " +
                           FaultEventName(n.nFault, n.szChannel) + " " + CheckFrameTimeCode(n.tmBegin) + " - " +
                           CheckFrameTimeCode(n.tmEnd);
        if (!IsPictureFault(n.nFault))
            line += " " + std::to_string(n.nValue) + " dBFS";
        if (!FailsResult(n.nFault))
            line += " warning";
        PrintLine(line);
    }

private:
    const CResultRecorder& m_recorder;
};

struct RunningTask {
    std::unique_ptr<CSubTaskList> list;
    std::unique_ptr<StateLog> log;
    std::unique_ptr<CCheckRunner> runner;
};

// Copies value into field when it fits: what an operator typed is refused, never cut.
template <size_t N>
bool PutField(char (&field)[N], const std::string& value)
{
    if (value.size() >= N)
        return false;
    CopyField(field, value);
    return true;
}

// A whole number in decimal, with an optional sign, and nothing else.
bool WholeNumber(const std::string& text, long long& value)
{
    if (text.empty() || text.size() > 18)
        return false;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return end == text.c_str() + text.size() && !std::isspace(static_cast<unsigned char>(text[0]));
}

// A range compares whole numbers: both ends must be numbers, the low one first. A range the
// format check could never pass (or would read as 0) is refused here, with its reason.
bool RangeIsSound(const MonSyntaxItem_t& item, std::string& reason)
{
    long long low = 0, high = 0;
    if (item.nCompare == 0)
        return true;
    if (!WholeNumber(item.szValue1, low) || !WholeNumber(item.szValue2, high)) {
        reason = "both ends of a range must be whole numbers";
        return false;
    }
    if (low > high) {
        reason = "a range gives its low end first";
        return false;
    }
    return true;
}

bool ParseItem(const std::string& text, MonSyntaxItem_t& item)
{
    const size_t colon = text.find(':');
    const size_t equals = text.find('=', colon == std::string::npos ? 0 : colon);
    if (colon == std::string::npos || equals == std::string::npos || colon == 0 || equals == colon + 1)
        return false;
    std::memset(&item, 0, sizeof(item));
    const std::string value = text.substr(equals + 1);
    const size_t range = value.find("..");
    item.nCompare = range == std::string::npos ? 0 : 1;
    return PutField(item.szAvLevel, text.substr(0, colon)) &&
           PutField(item.szName, text.substr(colon + 1, equals - colon - 1)) &&
           PutField(item.szValue1, range == std::string::npos ? value : value.substr(0, range)) &&
           (range == std::string::npos || PutField(item.szValue2, value.substr(range + 2)));
}

}  // namespace

int RunTasks(int taskId, const std::string& paramsPath, const std::function<bool()>& interrupted)
{
    std::vector<MonTask_t> tasks;
    {
        CSqliteDb db;
        if (!db.OpenTemplDb()) {
            std::fprintf(stderr, "quarvik-check: cannot open Templ.db\n");
            return kExitTrouble;
        }
        tasks = LoadTasks(db, taskId < 0);
    }
    CEventLoop home;
    CResultRecorder recorder;
    CPlayoutClipNames clipNames;
    SetUpStoringRecorder(recorder, clipNames);
    FaultLog faultLog(recorder);
    recorder.AddObserver(&faultLog);

    std::vector<RunningTask> running;
    for (const MonTask_t& task : tasks) {
        if (taskId >= 0 && task.nID != taskId)
            continue;
        const std::string prefix = "[task " + std::to_string(task.nID) + "] ";
        CheckRunnerSetup setup;
        std::string error;
        if (!LoadTaskSetup(task, setup, error)) {
            PrintLine(prefix + LineText(task.szName) + ": not started: " + error);
            continue;
        }
        setup.paramsPath = paramsPath;
        RunningTask r;
        r.list = std::make_unique<CSubTaskList>(ListKind::kTask, task.nID, setup.targetType);
        r.log = std::make_unique<StateLog>(*r.list, prefix);
        r.list->AddObserver(r.log.get());
        r.list->Load();
        r.runner = std::make_unique<CCheckRunner>(home, *r.list, recorder, setup);
        if (!r.runner->Start(&error)) {
            PrintLine(prefix + LineText(task.szName) + ": not started: " + (error.empty() ? "its source did not start" : error));
            continue;
        }
        PrintLine(prefix + LineText(task.szName) + ": running");
        running.push_back(std::move(r));
    }
    if (running.empty()) {
        std::fprintf(stderr, "quarvik-check: no task could be started\n");
        return kExitTrouble;
    }
    const auto busy = [&] { return !interrupted(); };
    while (!home.PumpWhile(busy, 1000)) {
    }
    for (auto it = running.rbegin(); it != running.rend(); ++it)
        it->runner.reset();  // stops its workers while the loop serves their last calls
    PrintLine("stopped");
    return kExitOk;
}

int SetCacheFolder(const std::string& folder)
{
    if (!IsExistingFolder(folder)) {
        std::fprintf(stderr, "quarvik-check: %s is not a folder\n", folder.c_str());
        return kExitTrouble;
    }
    if (!WriteSetting(kCachePath, folder)) {
        std::fprintf(stderr, "quarvik-check: could not write the settings file\n");
        return kExitTrouble;
    }
    return kExitOk;
}

int AddTemplate(const std::vector<std::string>& arguments)
{
    if (arguments.empty()) {
        std::fprintf(stderr, "quarvik-check: --add-template needs a name\n");
        return kExitTrouble;
    }
    std::vector<MonSyntaxItem_t> items(arguments.size() - 1);
    for (size_t i = 1; i < arguments.size(); ++i) {
        if (!ParseItem(arguments[i], items[i - 1])) {
            std::fprintf(stderr, "quarvik-check: %s is not Level:Name=Value or Level:Name=Low..High, or a part "
                                 "is too long for its field\n",
                         arguments[i].c_str());
            return kExitTrouble;
        }
        std::string reason;
        if (!RangeIsSound(items[i - 1], reason)) {
            std::fprintf(stderr, "quarvik-check: %s: %s\n", arguments[i].c_str(), reason.c_str());
            return kExitTrouble;
        }
    }
    MonSyntax_t syntax{};
    if (!PutField(syntax.szName, arguments[0])) {
        std::fprintf(stderr, "quarvik-check: a template name has at most %zu bytes\n", sizeof(syntax.szName) - 1);
        return kExitTrouble;
    }
    syntax.nCount = static_cast<int32_t>(items.size());
    syntax.pItems = items.empty() ? nullptr : items.data();
    CSqliteDb db;
    int id = 0;
    if (FindTemplateId(arguments[0]) >= 0 || !db.OpenTemplDb() || !db.AddSyntax(syntax, id)) {
        std::fprintf(stderr, "quarvik-check: could not store the template %s (does it exist already?)\n",
                     arguments[0].c_str());
        return kExitTrouble;
    }
    std::printf("template %d\n", id);
    return kExitOk;
}

int AddTask(const std::vector<std::string>& arguments)
{
    static const std::map<std::string, int32_t> kKinds = {
        {"ftp", kTargetFtp}, {"udp", kTargetUdp}, {"folder", kTargetFolder}, {"removable", kTargetRemovable}};
    if (arguments.size() < 2 || kKinds.count(arguments[1]) == 0) {
        std::fprintf(stderr, "quarvik-check: --add-task NAME folder|ftp|udp|removable [key=value...]\n");
        return kExitTrouble;
    }
    MonObj_t target{};
    MonTask_t task{};
    if (!PutField(target.szName, arguments[0]) || !PutField(task.szName, arguments[0])) {
        std::fprintf(stderr, "quarvik-check: a task name has at most %zu bytes\n", sizeof(task.szName) - 1);
        return kExitTrouble;
    }
    target.nType = kKinds.at(arguments[1]);
    target.nTimeSpan = 10;
    task.bActive = 1;
    task.bPicute = 1;
    // Each key fills one field; a value longer than its field is refused rather than cut.
    const auto apply = [&](const std::string& key, const std::string& value) {
        if (key == "path")
            return PutField(target.szPath, value);
        if (key == "host" || key == "ip")
            return PutField(target.szIp, value);
        if (key == "user")
            return PutField(target.szUser, value);
        if (key == "password")
            return PutField(target.szPasswd, value);
        if (key == "port") {
            target.nPort = std::atoi(value.c_str());
            return target.nPort > 0 && target.nPort < 65536;
        }
        if (key == "interval") {
            target.nTimeSpan = std::atoi(value.c_str());
            return target.nTimeSpan > 0;
        }
        if (key == "template") {
            task.nSyntaxID = FindTemplateId(value);
            task.bSyntax = 1;
            return task.nSyntaxID >= 0;
        }
        if (key == "content") {
            task.bPicute = value == "on" ? 1 : 0;
            return value == "on" || value == "off";
        }
        return false;
    };
    for (size_t i = 2; i < arguments.size(); ++i) {
        const size_t equals = arguments[i].find('=');
        if (equals == std::string::npos ||
            !apply(arguments[i].substr(0, equals), arguments[i].substr(equals + 1))) {
            std::fprintf(stderr, "quarvik-check: %s: unknown key, a value too long for its field, or no such template\n",
                         arguments[i].c_str());
            return kExitTrouble;
        }
    }
    if (target.nType == kTargetFolder && !IsExistingFolder(target.szPath)) {
        std::fprintf(stderr, "quarvik-check: path=%s is not an existing folder\n", target.szPath);
        return kExitTrouble;
    }
    if (target.nType == kTargetFtp && target.nPort == 0)
        target.nPort = 21;
    CSqliteDb db;
    int targetId = 0, taskId = 0;
    if (!db.OpenTemplDb() || !db.AddTarget(targetId, target)) {
        std::fprintf(stderr, "quarvik-check: could not store the target\n");
        return kExitTrouble;
    }
    task.nTargetID = targetId;
    if (!db.AddTask(task, taskId)) {
        std::fprintf(stderr, "quarvik-check: could not store the task\n");
        return kExitTrouble;
    }
    std::printf("task %d, target %d\n", taskId, targetId);
    return kExitOk;
}

int ListTasks()
{
    CSqliteDb db;
    if (!db.OpenTemplDb()) {
        std::fprintf(stderr, "quarvik-check: cannot open Templ.db\n");
        return kExitTrouble;
    }
    for (const MonTask_t& t : LoadTasks(db, false)) {
        MonObj_t target{};
        const bool hasTarget = LoadTarget(db, t.nTargetID, target);
        std::printf("%d\t%s\t%s\ttarget %d (%s, type %d)\tformat %s\tcontent %s\n", t.nID, LineText(t.szName).c_str(),
                    t.bActive ? "active" : "inactive", t.nTargetID, hasTarget ? LineText(target.szPath).c_str() : "missing",
                    hasTarget ? target.nType : -1, t.bSyntax ? std::to_string(t.nSyntaxID).c_str() : "off",
                    t.bPicute ? "on" : "off");
    }
    return kExitOk;
}

}  // namespace quarvik
