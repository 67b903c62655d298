#include "CacheFolder.h"

#include "OpenFiles.h"
#include "Settings.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace quarvik {
namespace {

struct CacheFile {
    MyFileInfo info;
    dev_t device;
    ino_t inode;
};

// The plain files directly in folder; links, sub-folders and special files are left alone.
std::vector<CacheFile> ListFiles(const std::string& folder)
{
    std::vector<CacheFile> files;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return files;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        std::string path = folder + "/" + name;
        struct stat st;
        if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            files.push_back({{static_cast<int64_t>(st.st_mtime), path}, st.st_dev, st.st_ino});
    }
    closedir(dir);
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
