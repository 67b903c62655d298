#include "ProgramFolder.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#ifndef QUARVIK_INSTALL_BINDIR
#define QUARVIK_INSTALL_BINDIR "/usr/bin"
#endif

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

// mkdir -p; the folders made belong to the user and follow the umask.
void MakeFolders(const std::string& folder)
{
    for (size_t i = 1; i <= folder.size(); ++i) {
        if (i == folder.size() || folder[i] == '/')
            mkdir(folder.substr(0, i).c_str(), 0755);
    }
}

std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (home && *home == '/')
        return home;
    // A service started without HOME: the account's own home folder, never a shared one.
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
        found->pw_dir[0] == '/' && std::strcmp(found->pw_dir, "/") != 0)
        return found->pw_dir;
    return {};
}

std::string OwnerName(uid_t uid)
{
    if (const passwd* pw = getpwuid(uid))
        return pw->pw_name;
    return "uid " + std::to_string(uid);
}

// Empty when `st` (of `path`) belongs to the user and nobody else may write it.
std::string OwnershipProblem(const std::string& path, const struct stat& st)
{
    if (st.st_uid != geteuid())
        return path + " belongs to " + OwnerName(st.st_uid) + ", not to " + OwnerName(geteuid());
    if (st.st_mode & S_IWOTH)
        return path + " is writable by every user";
    if ((st.st_mode & S_IWGRP) && st.st_gid != getegid())
        return path + " is writable by the group " + std::to_string(st.st_gid);
    return {};
}

}  // namespace

std::string DataFolder()
{
    std::string base;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg == '/') {
        base = xdg;
    } else {
        const std::string home = HomeFolder();
        if (home.empty())
            return {};
        base = home + "/.local/share";
    }
    std::string folder = base + "/quarvik";
    MakeFolders(folder);
    return folder;
}

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
    if (folder != QUARVIK_INSTALL_BINDIR && access(folder.c_str(), W_OK) == 0)
        return folder;
    return DataFolder();
}

std::string ProgramFilePath(const std::string& fileName)
{
    std::string folder = ProgramFolder();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder + fileName;
}

std::string ProgramFolderProblem()
{
    const std::string folder = ProgramFolder();
    if (folder.empty())
        return "no program folder: the user has no home folder; set QUARVIK_HOME to a folder of the user's own";
    struct stat st{};
    if (stat(folder.c_str(), &st) != 0)
        return {};
    if (!S_ISDIR(st.st_mode))
        return "the program folder " + folder + " is not a folder";
    std::string problem = OwnershipProblem(folder, st);
    if (!problem.empty())
        return "refusing the program folder: " + problem;
    // Its files: ave.dat, the settings, the databases and what else the program reads there.
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), closedir);
    if (!dir)
        return "the program folder " + folder + " cannot be read: " + std::strerror(errno);
    while (const dirent* entry = readdir(dir.get())) {
        const std::string path = folder + "/" + entry->d_name;
        struct stat file{};
        if (lstat(path.c_str(), &file) != 0 || S_ISDIR(file.st_mode))
            continue;
        problem = OwnershipProblem(path, file);
        if (!problem.empty())
            return "refusing the program folder " + folder + ": " + problem;
    }
    return {};
}

const char* ProgramFolderHelp()
{
    return "\nEnvironment:\n"
           "  QUARVIK_HOME     the program folder (default: the executable's folder in a\n"
           "                   build tree, $XDG_DATA_HOME/quarvik or ~/.local/share/quarvik\n"
           "                   for an installed program)\n"
           "  XDG_DATA_HOME    the user's data folder (default ~/.local/share)\n"
           "\n"
           "Files:\n"
           "  ave.dat          content-check parameters, in the program folder\n"
           "  Quarvik.ini      settings (cache folder, loudness, playout link)\n"
           "  system.ini       window layout of the desktop program\n"
           "  Templ.db         format templates, targets and monitoring tasks\n"
           "  task.db          check results, fault events and media properties\n"
           "  /var/lib/quarvik the program folder of the quarvik-tasks service\n"
           "  The program folder and its files must belong to the user and be writable by\n"
           "  no other user; the programs refuse to start otherwise.\n";
}

}  // namespace quarvik
