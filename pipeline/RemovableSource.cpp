#include "RemovableSource.h"

#include "FtpFileItem.h"
#include "MediaInfoLib.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>

namespace quarvik {
namespace {

namespace fs = std::filesystem;

// mountinfo escapes blanks, tabs, newlines and backslashes in paths as \ooo.
std::string UnescapeMountPath(const std::string& field)
{
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3' &&
            field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

struct MountLine {
    std::string majorMinor;
    std::string mountPoint;
};

bool ParseMountLine(const std::string& line, MountLine& out)
{
    std::istringstream fields(line);
    std::string id, parent, root;
    if (!(fields >> id >> parent >> out.majorMinor >> root >> out.mountPoint))
        return false;
    out.mountPoint = UnescapeMountPath(out.mountPoint);
    return true;
}

bool ReadMountTable(const std::string& path, std::vector<MountLine>& out)
{
    std::ifstream in(path);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        MountLine mount;
        if (ParseMountLine(line, mount))
            out.push_back(std::move(mount));
    }
    return true;
}

bool IsMediaFile(const std::string& path)
{
    CMediaInfo info;
    info.Open(path);
    for (const MediaInfoStream kind : {kStreamVideo, kStreamAudio}) {
        const std::string codec = info.Get(kind, 0, "Codec/String");
        // Without the library every file would carry its "missing" text: none is media then.
        if (!codec.empty() && codec != kMediaInfoMissingText)
            return true;
    }
    return false;
}

}  // namespace

MountTablePaths MountTablePathsFromEnvironment()
{
    MountTablePaths paths;
    if (const char* mountInfo = std::getenv("QUARVIK_MOUNTINFO"))
        paths.mountInfo = mountInfo;
    if (const char* sysfs = std::getenv("QUARVIK_SYSFS"))
        paths.sysfsRoot = sysfs;
    return paths;
}

CMountWatcher::CMountWatcher(MountTablePaths paths) : m_paths(std::move(paths)) {}

bool CMountWatcher::IsRemovableDevice(const std::string& majorMinor) const
{
    std::error_code error;
    const fs::path device = fs::canonical(fs::path(m_paths.sysfsRoot) / "dev" / "block" / majorMinor, error);
    if (error)
        return false;
    const fs::path disk = fs::exists(device / "partition", error) ? device.parent_path() : device;
    std::ifstream flag(fs::path(m_paths.sysfsRoot) / "block" / disk.filename() / "removable");
    char value = 0;
    return flag.get(value) && value == '1';
}

std::vector<std::string> CMountWatcher::ReadRemovableMounts() const
{
    std::vector<MountLine> table;
    std::vector<std::string> mounts;
    if (!ReadMountTable(m_paths.mountInfo, table))
        return mounts;
    for (const MountLine& m : table) {
        if (IsRemovableDevice(m.majorMinor))
            mounts.push_back(m.mountPoint);
    }
    return mounts;
}

std::vector<MountEvent> CMountWatcher::Poll()
{
    std::vector<MountEvent> events;
    std::vector<MountLine> table;
    if (!ReadMountTable(m_paths.mountInfo, table))
        return events;
    std::set<std::string> now;
    std::vector<std::string> inOrder;
    for (const MountLine& m : table) {
        if (IsRemovableDevice(m.majorMinor) && now.insert(m.mountPoint).second)
            inOrder.push_back(m.mountPoint);
    }
    for (const std::string& gone : m_known) {
        if (!now.count(gone))
            events.push_back({false, gone});
    }
    for (const std::string& mount : inOrder) {
        if (!m_known.count(mount))
            events.push_back({true, mount});
    }
    m_known = std::move(now);
    return events;
}

bool ScanMountPoint(const std::string& mountPoint,
                    const std::function<void(const std::string& path, int64_t size)>& handOver,
                    const std::function<bool()>& stopRequested)
{
    std::error_code error;
    fs::directory_iterator it(mountPoint, error);
    for (const fs::directory_iterator end; !error && it != end; it.increment(error)) {
        if (stopRequested && stopRequested())
            return false;
        const std::string path = it->path().string();
        // A path cut to fit the record would name another file.
        if (path.size() >= sizeof(AcFtpFileItem_t::szUrl))
            continue;
        // Regular files only: MediaInfo would block on a FIFO.
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        if (IsMediaFile(path))
            handOver(path, static_cast<int64_t>(info.st_size));
    }
    return !(stopRequested && stopRequested());
}

bool IsListedPath(const CSubTaskList& list, const std::string& path)
{
    for (int i = 0; i < list.Count(); ++i) {
        if (path == list.Row(i).szFilename)
            return true;
    }
    return false;
}

RemovableListLink HomeListLink(IDispatcher& home, CSubTaskList& list)
{
    RemovableListLink link;
    link.isListed = [&home, &list](const std::string& path) {
        bool listed = false;
        home.Send([&] { listed = IsListedPath(list, path); });
        return listed;
    };
    link.onVolumeRemoved = [&home, &list](const std::string& mountPoint) {
        home.Send([&] { list.RemoveUnfinishedUnder(mountPoint); });
    };
    return link;
}

void CVolumeMailbox::Put(MountEvent event)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.push_back(std::move(event));
}

std::vector<MountEvent> CVolumeMailbox::Take()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return std::exchange(m_events, {});
}

SourceBodyFn RemovableSourceBody(const MonObj_t&, RemovableListLink link, MountTablePaths paths,
                                 std::shared_ptr<CVolumeMailbox> volumes)
{
    return [link = std::move(link), paths = std::move(paths), volumes](CWorkerThread& self,
                                                                       const HandOverFn& handOver) {
        self.ConfirmStarted();
        CMountWatcher watcher(paths);
        const auto stopRequested = [&self] { return self.StopRequested(); };
        const auto offer = [&](const std::string& path, int64_t size) {
            if (!link.isListed || !link.isListed(path))
                handOver(path, size);
        };
        do {
            for (const MountEvent& event : volumes ? volumes->Take() : watcher.Poll()) {
                if (!event.arrived) {
                    if (link.onVolumeRemoved)
                        link.onVolumeRemoved(event.mountPoint);
                } else if (!ScanMountPoint(event.mountPoint, offer, stopRequested)) {
                    return;
                }
            }
        } while (!self.SleepUnlessStopped(volumes ? kVolumeMailboxWaitMs : kMountPollMs));
    };
}

}  // namespace quarvik
