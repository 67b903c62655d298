#include "FtpSource.h"

#include "CacheFolder.h"
#include "FileDisplay.h"
#include "FtpListReader.h"
#include "Settings.h"
#include "SqliteDb.h"
#include "TextField.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <system_error>

namespace quarvik {
namespace {

// The watched folder as a path prefix: a leading "/", no trailing one ("" for the root).
std::string FolderPrefix(const std::string& folder)
{
    std::string prefix = folder.empty() || folder[0] != '/' ? "/" + folder : folder;
    while (!prefix.empty() && prefix.back() == '/')
        prefix.pop_back();
    return prefix;
}

FtpAddress TargetServer(const MonObj_t& target)
{
    FtpAddress server;
    server.server = target.szIp;
    server.port = target.nPort > 0 ? target.nPort : 21;
    server.user = target.szUser;
    server.password = target.szPasswd;
    return server;
}

}  // namespace

std::string FtpListKey(const FtpAddress& address)
{
    return MakeFtpAddress(address, FtpUserInfo::kUserOnly);
}

CFtpSource::CFtpSource(const MonObj_t& target, FoundFn onFound, FtpTimeouts timeouts)
    : m_target(target),
      m_listName("ftp" + std::to_string(target.nID)),
      m_onFound(std::move(onFound)),
      m_timeouts(timeouts)
{
}

const AcFtpFileItem_t* CFtpSource::Find(const std::string& key) const
{
    const auto it = m_files.find(key);
    return it == m_files.end() ? nullptr : &it->second;
}

bool CFtpSource::LoadList(int64_t now)
{
    return LoadFileMap(m_listName, now, m_files);
}

bool CFtpSource::Poll(int64_t now, const std::function<bool()>& stopRequested)
{
    if (!m_loaded)
        m_loaded = LoadList(now);
    if (!m_loaded)
        return false;
    std::vector<FtpEntry> entries;
    std::string error;
    if (!ListFtpFolder(TargetServer(m_target), m_target.szPath, entries, m_timeouts, &error)) {
        std::fprintf(stderr, "FTP listing of %s failed: %s\n",
                     DisplayFileName("ftp://" + std::string(m_target.szIp) + FolderPrefix(m_target.szPath) + "/")
                         .c_str(),
                     error.c_str());
        return false;
    }
    for (const FtpEntry& entry : entries) {
        if (stopRequested && stopRequested())
            break;
        if (entry.bFolder || entry.llSize < kMinFtpFileSize)
            continue;
        MakeRoom();
        Consider(entry, now);
    }
    return true;
}

void CFtpSource::Consider(const FtpEntry& file, int64_t now)
{
    FtpAddress address = TargetServer(m_target);
    address.path = FolderPrefix(m_target.szPath) + "/" + file.name;
    const std::string key = FtpListKey(address);
    // A key or address cut to fit its field would name another file.
    if (key.size() >= sizeof(AcFtpFileItem_t::szUrl) || MakeFtpAddress(address).size() >= sizeof(SubTaskInfo_t::szFilename))
        return;
    const auto it = m_files.find(key);
    if (it == m_files.end()) {
        uint32_t low = 0, high = 0;
        ToFileTime(file.tmModified, 0, low, high);
        CSqliteDb db;
        int newId = 0;
        if (!db.OpenFtpList(m_listName) || !db.AddFtpFile(key.c_str(), file.llSize, newId, low, high))
            return;
        AcFtpFileItem_t item{};
        item.nID = newId;
        CopyField(item.szUrl, key);
        item.llFileSize = file.llSize;
        item.nLastWriteTimeL = low;
        item.nLastWriteTimeH = high;
        item.nState = 0;
        item.tmLastSeen = now;
        item.llLastSize = file.llSize;
        m_files.emplace(key, item);
        return;
    }
    AcFtpFileItem_t& item = it->second;
    if (item.nState == 1)
        return;
    if (item.llLastSize != file.llSize) {
        item.llLastSize = file.llSize;
        item.tmLastSeen = now;
        return;
    }
    // Marked first, handed on after: a failed mark leaves the file waiting for the next poll
    // instead of being checked now and offered again after a restart.
    CSqliteDb db;
    if (!db.OpenFtpList(m_listName) || !db.SetFtpFileState(item.nID, 1))
        return;
    item.nState = 1;
    item.tmLastSeen = 0;
    item.llFileSize = file.llSize;
    m_onFound(item, MakeFtpAddress(address));
}

void CFtpSource::Run(CWorkerThread& thread)
{
    using Clock = std::chrono::steady_clock;
    thread.ConfirmStarted();
    const auto stopRequested = [&thread] { return thread.StopRequested(); };
    const auto interval = std::chrono::seconds(std::max(1, m_target.nTimeSpan));
    Clock::time_point nextPoll = Clock::now();
    while (!thread.StopRequested()) {
        if (Clock::now() >= nextPoll) {
            Poll(static_cast<int64_t>(std::time(nullptr)), stopRequested);
            nextPoll = Clock::now() + interval;
        }
        const auto untilPoll = std::chrono::duration_cast<std::chrono::milliseconds>(nextPoll - Clock::now());
        if (thread.SleepUnlessStopped(static_cast<int>(std::max<int64_t>(untilPoll.count(), 0))))
            return;
    }
}

SourceBodyFn FtpSourceBody(const MonObj_t& target)
{
    return [target](CWorkerThread& self, const HandOverFn& handOver) {
        CFtpSource source(target, [&](const AcFtpFileItem_t& file, const std::string& address) {
            handOver(address, file.llFileSize);
        });
        source.Run(self);
    };
}

bool FtpCachePath(int32_t nTaskID, const std::string& address, const std::string& cacheFolder,
                  std::string& localPath)
{
    FtpAddress parsed;
    if (cacheFolder.empty() || !ParseFtpAddress(address, parsed) || parsed.path.size() < 2 ||
        parsed.path.back() == '/')
        return false;
    std::istringstream parts(parsed.path);
    for (std::string part; std::getline(parts, part, '/');) {
        if (part == "..")
            return false;
    }
    localPath = cacheFolder + "/task" + std::to_string(nTaskID) + parsed.path;
    return true;
}

namespace {

// Downloads one taken sub-task and reports its end; true when it arrived whole.
bool DownloadOne(CWorkerThread& self, IDispatcher& home, CSubTaskList& list, SubTaskInfo_t subTask,
                 const FtpTimeouts& timeouts)
{
    const std::string address = subTask.szFilename;
    std::string localPath, error;
    bool done = false;
    if (!FtpCachePath(subTask.nTaskID, address, ReadSetting(kCachePath), localPath)) {
        error = "no cache folder, or a path outside it";
    } else {
        std::string shortage;
        MakeRoom(StatvfsFreeSpace, &shortage);
        home.Send([&] { list.OnCacheShortage(shortage); });
        std::error_code made;
        std::filesystem::create_directories(std::filesystem::path(localPath).parent_path(), made);
        FtpDownloadControl control;
        control.stopRequested = [&self] { return self.StopRequested(); };
        control.progress = [&](int percent) {
            subTask.nDownload = percent;
            home.Send([&] { list.OnDownload(0, subTask); });
        };
        control.timeouts = timeouts;
        control.error = &error;
        done = !made && DownloadFile(address, localPath, -1, control);
        if (made)
            error = made.message();
    }
    if (!done)
        std::fprintf(stderr, "FTP download of %s failed: %s\n", DisplayFileName(address).c_str(), error.c_str());
    subTask.nDownload = done ? 1 : 0;
    if (done)
        CopyField(subTask.szNewFilename, localPath);
    home.Send([&] { list.OnDownload(1, subTask); });
    return done;
}

}  // namespace

void RunFtpDownloads(CWorkerThread& self, IDispatcher& home, CSubTaskList& list, const FtpTimeouts& timeouts)
{
    self.ConfirmStarted();
    if (self.SleepUnlessStopped(1000))
        return;
    while (!self.StopRequested()) {
        SubTaskInfo_t subTask{};
        bool taken = false;
        home.Send([&] { taken = list.TakeNextDownload(subTask); });
        if (taken)
            DownloadOne(self, home, list, subTask, timeouts);
        else if (self.SleepUnlessStopped(1000))
            return;
    }
}

CFtpFetcher::CFtpFetcher(FtpTimeouts timeouts, std::function<bool()> stopRequested)
    : m_timeouts(timeouts), m_stopRequested(std::move(stopRequested))
{
}

bool CFtpFetcher::Fetch(const SubTaskInfo_t& subTask, const std::string& localPath, int64_t maxBytes)
{
    std::string error;
    FtpDownloadControl control;
    control.stopRequested = m_stopRequested;
    control.timeouts = m_timeouts;
    control.error = &error;
    MakeRoom();
    if (DownloadFile(subTask.szFilename, localPath, maxBytes, control))
        return true;
    std::fprintf(stderr, "FTP fetch of %s failed: %s\n", DisplayFileName(subTask.szFilename).c_str(), error.c_str());
    return false;
}

}  // namespace quarvik
