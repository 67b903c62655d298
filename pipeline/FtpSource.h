// The FTP side of a monitoring task (target type 0): the watcher that offers each new, no
// longer growing remote file once, the download worker that copies offered files whole into
// the cache folder before their check, and the fetch of a file's first bytes for checking.
//
// Watcher. The folder szPath (below the login folder, with or without a leading "/", as
// FtpList.h names folders) is listed at once and then every nTimeSpan seconds (at least 1).
// Plain files directly in it count from kMinFtpFileSize bytes on. A file is recorded in the
// target's list "ftp%d" when first seen (state 0) and handed on at the first poll at which its
// size equals the size seen at the previous poll (after a restart the stored size counts as
// the previous one); it is marked handed on (state 1) in the list before the hand-over, so no
// restart offers it again. The list's key is the file's address without the password
// ("ftp://user@server:port/path"): the password stays out of the list file, and a changed
// password does not make every file new. A failed listing ends that poll only.
//
// Threads: a CFtpSource belongs to its source thread (Poll and Run run there); the hand-over
// callback runs on that thread with a record borrowed for the call. RunFtpDownloads is the
// body of the download thread: it reaches the list only through home.Send.
#pragma once

#include "Dispatcher.h"
#include "CheckRunner.h"
#include "FormatCheck.h"
#include "FtpList.h"
#include "FtpFileItem.h"
#include "SubTaskList.h"
#include "TemplRecords.h"

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

namespace quarvik {

// Smaller remote files are never offered.
constexpr int64_t kMinFtpFileSize = 10000000;

// The list key of a sub-task address: the address without its password.
std::string FtpListKey(const FtpAddress& address);

class CFtpSource {
public:
    using FoundFn = std::function<void(const AcFtpFileItem_t& file, const std::string& address)>;

    // Nothing is read or connected before the first Poll().
    CFtpSource(const MonObj_t& target, FoundFn onFound, FtpTimeouts timeouts = {});

    // One poll at now (seconds since 1970). The first one loads the list; while it cannot be
    // opened nothing is polled. Returns early when stopRequested() becomes true between files.
    // False when the server could not be listed.
    bool Poll(int64_t now, const std::function<bool()>& stopRequested = {});

    // The source thread's body: confirms the start, polls at once and then every nTimeSpan
    // seconds, and returns as soon as the thread's stop event is set.
    void Run(CWorkerThread& thread);

    // The map's entry for a list key, or nullptr.
    const AcFtpFileItem_t* Find(const std::string& key) const;

private:
    bool LoadList(int64_t now);
    void Consider(const FtpEntry& entry, int64_t now);

    const MonObj_t m_target;
    const std::string m_listName;
    const FoundFn m_onFound;
    const FtpTimeouts m_timeouts;
    bool m_loaded = false;
    std::unordered_map<std::string, AcFtpFileItem_t> m_files;  // keyed by szUrl
};

// The source thread of an FTP target: hands on the sub-task address of each offered file.
SourceBodyFn FtpSourceBody(const MonObj_t& target);

// The local copy of an address downloaded whole for task nTaskID: the task's own folder of the
// cache, "task<nTaskID>", followed by the address's path. So the downloads of two tasks never
// share a file, whatever their servers' paths; the cache folder's own "<n>.tmp" copies are apart
// too. False for addresses that cannot be parsed or whose path would leave that folder.
bool FtpCachePath(int32_t nTaskID, const std::string& address, const std::string& cacheFolder,
                  std::string& localPath);

// The download thread's body: confirms the start, then takes sub-tasks 4 -> 5, makes room in
// the cache folder and downloads each whole into the task's folder of it (FtpCachePath,
// creating sub-folders), reporting progress (OnDownload 0) and the end (OnDownload 1: 7 with
// szNewFilename the copy, or 6 "下载失败").
// A stop ends a running download as failed. Returns when the stop event is set.
void RunFtpDownloads(CWorkerThread& self, IDispatcher& home, CSubTaskList& list,
                     const FtpTimeouts& timeouts = {});

// The fetch for checking of "ftp://" material: makes room in the cache folder, then copies the
// first maxBytes (or the whole of a smaller file). Runs on the fetching thread; stopRequested
// (optional) may be asked from it.
class CFtpFetcher : public ICheckFetcher {
public:
    explicit CFtpFetcher(FtpTimeouts timeouts = {}, std::function<bool()> stopRequested = {});
    bool Fetch(const SubTaskInfo_t& subTask, const std::string& localPath, int64_t maxBytes) override;

private:
    const FtpTimeouts m_timeouts;
    const std::function<bool()> m_stopRequested;
};

}  // namespace quarvik
