// The folder source of a monitoring task (target type 2): finds new media files in a local
// folder and hands each one on exactly once, when it is complete.
//
// The folder is polled every nTimeSpan seconds (at least 1). Only plain files directly in the
// folder count (sub-folders are not entered; FIFOs, sockets and devices are passed over), and only
// from kMinFolderFileSize bytes on. Every file seen is recorded in the target's file list "dir%d"
// (state 0) and in an in-memory map keyed by its path; it is handed on no earlier than the next
// scan, once it is complete, and then marked handed on (state 1) in the list before the hand-over,
// so that no restart offers it again.
//
// When a file is complete. A file is complete only when its size and last-write time have not
// changed between the previous scan and this one, and no process has it open at all. Copy
// tools and recorders do not lock what they write, and a writer may close the file between
// appends, so neither test alone is enough. For the second we ask the kernel: a write lease
// (F_SETLEASE F_WRLCK) on a read-only descriptor is granted only while no other descriptor of
// the file is open, in any process, ours included; we drop it at once. Where no lease may be
// taken (a file system without leases, or a file of another user without CAP_LEASE) the
// unchanged size and last-write time decide alone.
//
// A file that changes after it was handed on (rewritten, or appended to after all) is recorded
// again as a new row of the list (state 0) and handed on once it is complete again. The row of
// a handed-on file holds the size and last-write time it was handed on with, so a restart
// compares with those.
//
// Threads: a CFolderSource belongs to its source thread; Scan() and Run() are called there only,
// and the object must outlive the thread. The hand-over callback runs on that thread; the owner
// routes it to its home thread with IDispatcher::Send. The record it gets is borrowed for the
// call. Database failures are reported by the database layer and never stop the source: a file
// that could not be recorded or marked is tried again at the next scan.
#pragma once

#include "Dispatcher.h"
#include "FtpFileItem.h"
#include "TemplRecords.h"

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

namespace quarvik {

// Smaller files are never offered (9 999 999 bytes is too small).
constexpr int64_t kMinFolderFileSize = 10000000;

enum class FileUse {
    Free,     // no descriptor of the file is open anywhere
    Busy,     // some process has it open, or it cannot be opened for reading now
    Unknown,  // no lease may be taken here; judge by size and last-write time
};

// The lease probe described above. Any lease break while we briefly hold the lease signals
// SIGURG, which is ignored unless the program installs a handler for it.
FileUse ProbeFileUse(const std::string& path);

using FileUseProbe = std::function<FileUse(const std::string& path)>;
using FoundFileHandler = std::function<void(const AcFtpFileItem_t& file)>;

class CFolderSource {
public:
    // Watches target.szPath with the list "dir<target.nID>". Nothing is read before the first
    // Scan(), so construction costs no I/O on the owner's thread.
    CFolderSource(const MonObj_t& target, FoundFileHandler onFound, FileUseProbe probe = ProbeFileUse);

    // One pass over the folder at now (seconds since 1970). The first pass loads the list; while
    // the list cannot be opened nothing is scanned, since every file already handed on would
    // look new. Returns early when stopRequested() becomes true between two files.
    void Scan(int64_t now, const std::function<bool()>& stopRequested = {});

    // The source thread's body: confirms the start, scans at once and then every nTimeSpan
    // seconds, and returns as soon as the thread's stop event is set.
    void Run(CWorkerThread& thread);

    // The map's entry for path, or nullptr when the path is not known.
    const AcFtpFileItem_t* Find(const std::string& path) const;

private:
    struct FileStamp {
        int64_t size;
        uint32_t writeLow;  // last-write time as Windows FILETIME halves
        uint32_t writeHigh;
    };

    bool LoadList(int64_t now);
    void Consider(const std::string& path, const FileStamp& stamp, int64_t now);
    void Record(const std::string& path, const FileStamp& stamp, int64_t now);
    bool IsComplete(const std::string& path, const AcFtpFileItem_t& entry, const FileStamp& stamp) const;
    // Marks the entry handed on in the list, in a row that holds the stamp it is handed on with.
    bool MarkHandedOn(const std::string& path, AcFtpFileItem_t& entry, const FileStamp& stamp);

    const std::string m_folder;
    const std::string m_listName;
    const int m_intervalSeconds;
    const FoundFileHandler m_onFound;
    const FileUseProbe m_probe;
    bool m_loaded = false;
    // Keyed by szUrl. An entry holds the latest size and last-write time seen, so the fallback
    // compares two consecutive scans; the list row keeps what was seen first.
    std::unordered_map<std::string, AcFtpFileItem_t> m_files;
    // Keyed by szUrl: the size and last-write time the entry's list row holds.
    std::unordered_map<std::string, FileStamp> m_rowStamps;
};

}  // namespace quarvik
