#include "ProgramFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace quarvik {
namespace {

std::string ExecutableFolder()
{
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0)
        return ".";
    std::string exe(path, static_cast<size_t>(n));
    size_t slash = exe.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : exe.substr(0, slash);
}

// mkdir -p for the fallback folder.
void MakeFolders(const std::string& folder)
{
    for (size_t i = 1; i <= folder.size(); ++i) {
        if (i == folder.size() || folder[i] == '/')
            mkdir(folder.substr(0, i).c_str(), 0755);
    }
}

std::string UserDataFolder()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    std::string base;
    if (xdg && *xdg) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : "/tmp") + "/.local/share";
    }
    std::string folder = base + "/quarvik";
    MakeFolders(folder);
    return folder;
}

}  // namespace

std::string ProgramFolder()
{
    const char* home = std::getenv("QUARVIK_HOME");
    if (home && *home) {
        std::string folder(home);
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        return folder;
    }
    std::string folder = ExecutableFolder();
    if (access(folder.c_str(), W_OK) == 0)
        return folder;
    return UserDataFolder();
}

std::string ProgramFilePath(const std::string& fileName)
{
    std::string folder = ProgramFolder();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder + fileName;
}

}  // namespace quarvik
