#include "OpenFiles.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cctype>
#include <string>

namespace quarvik {
namespace {

bool IsNumber(const char* name)
{
    if (!*name)
        return false;
    for (; *name; ++name) {
        if (!std::isdigit(static_cast<unsigned char>(*name)))
            return false;
    }
    return true;
}

// Calls visit(full path) for every numeric entry of folder.
template <typename Visit>
void ForEachNumbered(const std::string& folder, Visit visit)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return;
    while (dirent* entry = readdir(dir)) {
        if (IsNumber(entry->d_name))
            visit(folder + "/" + entry->d_name);
    }
    closedir(dir);
}

}  // namespace

OpenFileSet OpenFileSet::Snapshot()
{
    OpenFileSet set;
    ForEachNumbered("/proc", [&set](const std::string& process) {
        ForEachNumbered(process + "/fd", [&set](const std::string& fd) {
            struct stat st;
            if (stat(fd.c_str(), &st) == 0 && S_ISREG(st.st_mode))
                set.m_files.insert({st.st_dev, st.st_ino});
        });
    });
    return set;
}

}  // namespace quarvik
