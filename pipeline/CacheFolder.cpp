#include "CacheFolder.h"

#include "FileDisplay.h"
#include "OpenFiles.h"
#include "Settings.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <system_error>
#include <utility>
#include <vector>

namespace quarvik {
namespace {

struct CacheFile {
    MyFileInfo info;
    dev_t device;
    ino_t inode;
};

// The plain files of the cache folder and of its sub-folders, where whole downloads lie.
// Links are not followed and other file systems not entered: deleting there frees nothing
// here. Empty files are left too: they free nothing, and a fetch may have just created one.
std::vector<CacheFile> ListFiles(const std::string& folder)
{
    std::vector<CacheFile> files;
    struct stat top;
    if (stat(folder.c_str(), &top) != 0 || !S_ISDIR(top.st_mode))
        return files;
    namespace fs = std::filesystem;
    std::error_code error;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const std::string path = it->path().string();
        struct stat st;
        if (lstat(path.c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode) && st.st_dev != top.st_dev)
            it.disable_recursion_pending();
        else if (S_ISREG(st.st_mode) && st.st_size > 0)
            files.push_back({{static_cast<int64_t>(st.st_mtime), path}, st.st_dev, st.st_ino});
    }
    return files;
}

std::mutex g_neededLock;
std::map<const void*, std::vector<std::string>> g_needed;
// Said once for each time the cache runs out of room, not at every poll.
std::atomic<bool> g_shortageSaid{false};

// (device, inode) of every needed file that exists now.
std::set<std::pair<dev_t, ino_t>> NeededFiles()
{
    std::set<std::pair<dev_t, ino_t>> files;
    std::lock_guard<std::mutex> lock(g_neededLock);
    for (const auto& [owner, paths] : g_needed) {
        for (const std::string& path : paths) {
            struct stat st;
            if (!path.empty() && stat(path.c_str(), &st) == 0)
                files.insert({st.st_dev, st.st_ino});
        }
    }
    return files;
}

}  // namespace

void PublishNeededCacheFiles(const void* owner, std::vector<std::string> paths)
{
    std::lock_guard<std::mutex> lock(g_neededLock);
    if (paths.empty())
        g_needed.erase(owner);
    else
        g_needed[owner] = std::move(paths);
}

bool StatvfsFreeSpace(const std::string& path, uint64_t& freeBytes)
{
    struct statvfs fs;
    if (statvfs(path.c_str(), &fs) != 0)
        return false;
    freeBytes = static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize;
    return true;
}

bool HasRoom(const std::string& cachePath, const FreeSpaceQuery& freeSpace)
{
    int32_t minimum = ReadSetting(kCacheMinSpace);
    if (minimum <= 0)
        return true;
    uint64_t freeBytes = 0;
    if (!freeSpace(cachePath, freeBytes))
        return true;
    return (freeBytes >> 30) > static_cast<uint64_t>(minimum);
}

bool MakeRoom(const FreeSpaceQuery& freeSpace, std::string* shortage)
{
    std::string folder = ReadSetting(kCachePath);
    if (folder.empty() || HasRoom(folder, freeSpace)) {
        g_shortageSaid = false;
        return true;
    }
    std::vector<CacheFile> files = ListFiles(folder);
    std::sort(files.begin(), files.end(),
              [](const CacheFile& a, const CacheFile& b) { return a.info.tmLastWrite < b.info.tmLastWrite; });
    const OpenFileSet open = OpenFileSet::Snapshot();
    const std::set<std::pair<dev_t, ino_t>> needed = NeededFiles();
    int kept = 0;
    for (const CacheFile& file : files) {
        if (open.Contains(file.device, file.inode) || needed.count({file.device, file.inode}) != 0) {
            ++kept;
            continue;
        }
        if (unlink(file.info.path.c_str()) != 0)
            continue;
        if (HasRoom(folder, freeSpace)) {
            g_shortageSaid = false;
            return true;
        }
    }
    uint64_t freeBytes = 0;
    freeSpace(folder, freeBytes);
    const int32_t minimum = ReadSetting(kCacheMinSpace);
    if (!g_shortageSaid.exchange(true))
        std::fprintf(stderr,
                     "cache folder %s: %llu GiB free, not more than the minimum of %d GiB, and nothing more may be "
                     "deleted: %d files are still in use or needed\n",
                     DisplayFileName(folder).c_str(), static_cast<unsigned long long>(freeBytes >> 30), minimum, kept);
    if (shortage)
        *shortage = "缓存目录 " + DisplayFileName(folder) + " 空间不足: 剩余 " + std::to_string(freeBytes >> 30) + " GB, 最小需要 " +
                    std::to_string(minimum) + " GB, 其余文件仍在使用中, 无法再删除";
    return false;
}

}  // namespace quarvik
