#include "FolderSource.h"

#include "FtpListReader.h"
#include "SqliteDb.h"
#include "TextField.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <ctime>
#include <filesystem>
#include <system_error>

namespace quarvik {
namespace {

}  // namespace

FileUse ProbeFileUse(const std::string& path)
{
    // O_NONBLOCK: a FIFO put in place of the file must not hang the source.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return FileUse::Busy;
    // Without F_SETSIG a lease break would raise SIGIO, whose default action ends the process.
    ::fcntl(fd, F_SETSIG, SIGURG);
    FileUse use = FileUse::Free;
    if (::fcntl(fd, F_SETLEASE, F_WRLCK) == 0)
        ::fcntl(fd, F_SETLEASE, F_UNLCK);
    else
        use = errno == EAGAIN ? FileUse::Busy : FileUse::Unknown;
    ::close(fd);
    return use;
}

CFolderSource::CFolderSource(const MonObj_t& target, FoundFileHandler onFound, FileUseProbe probe)
    : m_folder(target.szPath),
      m_listName("dir" + std::to_string(target.nID)),
      m_intervalSeconds(std::max(1, target.nTimeSpan)),
      m_onFound(std::move(onFound)),
      m_probe(std::move(probe))
{
}

const AcFtpFileItem_t* CFolderSource::Find(const std::string& path) const
{
    const auto it = m_files.find(path);
    return it == m_files.end() ? nullptr : &it->second;
}

bool CFolderSource::LoadList(int64_t now)
{
    if (!LoadFileMap(m_listName, now, m_files))
        return false;
    for (const auto& [path, entry] : m_files)
        m_rowStamps[path] = {entry.llFileSize, entry.nLastWriteTimeL, entry.nLastWriteTimeH};
    return true;
}

void CFolderSource::Scan(int64_t now, const std::function<bool()>& stopRequested)
{
    if (!m_loaded)
        m_loaded = LoadList(now);
    if (!m_loaded)
        return;
    std::error_code error;
    std::filesystem::directory_iterator it(m_folder, error);
    for (const std::filesystem::directory_iterator end; !error && it != end; it.increment(error)) {
        if (stopRequested && stopRequested())
            return;
        const std::string path = it->path().string();
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < kMinFolderFileSize)
            continue;
        // A path cut to fit szUrl would name another file; such a file cannot be handed on.
        if (path.size() >= sizeof(AcFtpFileItem_t::szUrl))
            continue;
        FileStamp stamp{info.st_size, 0, 0};
        ToFileTime(info.st_mtim.tv_sec, info.st_mtim.tv_nsec, stamp.writeLow, stamp.writeHigh);
        Consider(path, stamp, now);
    }
}

void CFolderSource::Consider(const std::string& path, const FileStamp& stamp, int64_t now)
{
    const auto it = m_files.find(path);
    if (it == m_files.end()) {
        Record(path, stamp, now);
        return;
    }
    AcFtpFileItem_t& entry = it->second;
    if (entry.nState == 1) {
        const FileStamp& handed = m_rowStamps[path];
        // Changed since it was handed on: offered again once it is complete again.
        if (handed.size != stamp.size || handed.writeLow != stamp.writeLow || handed.writeHigh != stamp.writeHigh)
            Record(path, stamp, now);
        return;
    }
    const bool complete = IsComplete(path, entry, stamp);
    entry.llLastSize = stamp.size;
    entry.nLastWriteTimeL = stamp.writeLow;
    entry.nLastWriteTimeH = stamp.writeHigh;
    entry.tmLastSeen = now;
    if (!complete)
        return;
    // Marked first, handed on after: a file whose mark failed stays waiting and is tried again
    // next scan, rather than being checked now and offered once more after a restart.
    if (!MarkHandedOn(path, entry, stamp))
        return;
    entry.nState = 1;
    entry.tmLastSeen = 0;
    entry.llFileSize = stamp.size;  // the size of the complete file, not the one first seen
    m_onFound(entry);
}

bool CFolderSource::MarkHandedOn(const std::string& path, AcFtpFileItem_t& entry, const FileStamp& stamp)
{
    CSqliteDb db;
    if (!db.OpenFtpList(m_listName))
        return false;
    const FileStamp& row = m_rowStamps[path];
    if (row.size != stamp.size || row.writeLow != stamp.writeLow || row.writeHigh != stamp.writeHigh) {
        // The file grew after it was first seen: a row of its final form, which a restart reads
        // in place of the first (the last handed-on row of a path counts).
        int newId = 0;
        if (!db.AddFtpFile(path.c_str(), stamp.size, newId, stamp.writeLow, stamp.writeHigh))
            return false;
        entry.nID = newId;
        m_rowStamps[path] = stamp;
    }
    return db.SetFtpFileState(entry.nID, 1);
}

void CFolderSource::Record(const std::string& path, const FileStamp& stamp, int64_t now)
{
    CSqliteDb db;
    int newId = 0;
    if (!db.OpenFtpList(m_listName) ||
        !db.AddFtpFile(path.c_str(), stamp.size, newId, stamp.writeLow, stamp.writeHigh))
        return;
    AcFtpFileItem_t entry{};
    entry.nID = newId;
    CopyField(entry.szUrl, path);
    entry.llFileSize = stamp.size;
    entry.nLastWriteTimeL = stamp.writeLow;
    entry.nLastWriteTimeH = stamp.writeHigh;
    entry.nState = 0;
    entry.tmLastSeen = now;
    entry.llLastSize = stamp.size;
    m_files.insert_or_assign(path, entry);
    m_rowStamps[path] = stamp;
}

bool CFolderSource::IsComplete(const std::string& path, const AcFtpFileItem_t& entry,
                               const FileStamp& stamp) const
{
    const bool unchanged = entry.llLastSize == stamp.size && entry.nLastWriteTimeL == stamp.writeLow &&
                           entry.nLastWriteTimeH == stamp.writeHigh;
    return unchanged && m_probe(path) != FileUse::Busy;
}

void CFolderSource::Run(CWorkerThread& thread)
{
    using Clock = std::chrono::steady_clock;
    thread.ConfirmStarted();
    const auto stopRequested = [&thread] { return thread.StopRequested(); };
    Clock::time_point nextScan = Clock::now();
    while (!thread.StopRequested()) {
        if (Clock::now() >= nextScan) {
            Scan(static_cast<int64_t>(std::time(nullptr)), stopRequested);
            nextScan = Clock::now() + std::chrono::seconds(m_intervalSeconds);
        }
        const auto untilScan = std::chrono::duration_cast<std::chrono::milliseconds>(nextScan - Clock::now());
        if (thread.SleepUnlessStopped(static_cast<int>(std::max<int64_t>(untilScan.count(), 0))))
            return;
    }
}

}  // namespace quarvik
