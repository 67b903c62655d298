#include "CacheFolder.h"

#include "OpenFiles.h"
#include "Settings.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
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

}  // namespace

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

void MakeRoom(const FreeSpaceQuery& freeSpace)
{
    std::string folder = ReadSetting(kCachePath);
    if (folder.empty() || HasRoom(folder, freeSpace))
        return;
    std::vector<CacheFile> files = ListFiles(folder);
    std::sort(files.begin(), files.end(),
              [](const CacheFile& a, const CacheFile& b) { return a.info.tmLastWrite < b.info.tmLastWrite; });
    OpenFileSet open = OpenFileSet::Snapshot();
    for (const CacheFile& file : files) {
        if (open.Contains(file.device, file.inode) || unlink(file.info.path.c_str()) != 0)
            continue;
        if (HasRoom(folder, freeSpace))
            return;
    }
}

}  // namespace quarvik
