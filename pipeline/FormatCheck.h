// The format check: a file's technical properties, read with MediaInfo, against the items of a
// format template; and the file's fixed set of properties stored as MediaInfo rows of a result.
//
// Threads: FormatCheck, CheckFileFormat and FetchForChecking run on the calling check or
// thumbnail thread and block it; notices reach the sink synchronously on that same thread.
// StoreMediaInfo writes task.db and belongs to the thread that stores results.
#pragma once

#include "CheckNotify.h"
#include "MediaInfoLib.h"
#include "TaskRecords.h"
#include "TemplRecords.h"

#include <cstdint>
#include <string>

namespace quarvik {

// The first bytes of remote material fetched for the thumbnail and the format check.
inline constexpr int64_t kCheckFetchBytes = 4194304;

// Receives the format notices of one check (nKind 1 a deviation, 2 the format passed). The
// notice is borrowed for the call; the receiver copies it and hands it to its home thread.
class IFormatNoticeSink {
public:
    virtual void OnFormatNotice(const ResultNotify_t& notice) = 0;

protected:
    ~IFormatNoticeSink() = default;
};

// Copies the start of remote material into a local file: the FTP client for "ftp://" files,
// the UDP recorder for "udp://" streams. Called on the fetching thread; blocks until done.
class ICheckFetcher {
public:
    // Writes at most maxBytes of subTask.szFilename into localPath (which exists, empty);
    // false when the download or recording failed.
    virtual bool Fetch(const SubTaskInfo_t& subTask, const std::string& localPath, int64_t maxBytes) = 0;

protected:
    ~ICheckFetcher() = default;
};

// True for addresses whose material must be fetched into the cache folder before it is read.
bool IsRemoteSource(const char* szFilename);

// The file to read for subTask: szLocalFile when it names an existing file, szFilename itself
// for local material, else a fresh "<n>.tmp" in the cache folder filled by fetcher (a null
// fetcher fails the fetch). On failure no temporary file is left behind. The name is unique
// among the program's processes sharing the cache folder.
bool FetchForChecking(const SubTaskInfo_t& subTask, ICheckFetcher* fetcher, std::string& localFile);

// Checks subTask.szLocalFile against every item of templ; one deviation notice per failed item.
// True when every item passed: a template without items passes. An item that cannot be checked
// (unknown stream level, property absent from the file) fails with a deviation whose real
// value says why ("未知类别", "无此属性").
bool FormatCheck(const SubTaskInfo_t& subTask, const MonSyntax_t& templ, IFormatNoticeSink& sink,
                 CMediaInfoLib& lib = CMediaInfoLib::Instance());

// The check thread's step for a sub-task in checking: fetches a local copy when needed, runs
// FormatCheck, sends the "passed" notice (nKind 2) when it held, and deletes the fetched copy.
// False when the check failed, or when the fetch failed (reported as the deviation
// General.File "无法读取").
bool CheckFileFormat(const SubTaskInfo_t& subTask, const MonSyntax_t& templ, IFormatNoticeSink& sink,
                     ICheckFetcher* fetcher, CMediaInfoLib& lib = CMediaInfoLib::Instance());

// Stores the properties of filePath under result nResultID in one transaction of task.db: the
// "General" heading, then for each video and audio stream its "Video #n"/"Audio #n" heading and
// the values the file has. Nothing is stored for a file MediaInfo cannot read. True when rows
// were committed; false with storeError (when given) set to "<task.db>: <reason>" when they
// could not be (tried again while busy, locked or full, see TaskStore.h).
bool StoreMediaInfo(const std::string& filePath, int nResultID, CMediaInfoLib& lib = CMediaInfoLib::Instance(),
                    std::string* storeError = nullptr);

}  // namespace quarvik
