#include "FtpBrowse.h"

#include "ProgramFolder.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace quarvik {
namespace {

constexpr size_t kHistoryNames = 100;

}  // namespace

std::vector<std::string> LoadFtpHistory()
{
    std::vector<std::string> names;
    std::ifstream in(ProgramFilePath(kFtpHistoryFile), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
            line.pop_back();
        names.push_back(line);
    }
    return names;
}

bool SaveFtpHistory(const std::string& server, const std::vector<std::string>& entries)
{
    std::vector<std::string> names;
    if (std::find(entries.begin(), entries.end(), server) == entries.end())
        names.push_back(server);
    for (const std::string& entry : entries) {
        if (names.size() == kHistoryNames)
            break;
        names.push_back(entry);
    }
    const std::string path = ProgramFilePath(kFtpHistoryFile);
    const std::string temp = path + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        for (const std::string& name : names)
            out << name << '\n';
        out.flush();
        if (!out) {
            std::remove(temp.c_str());
            return false;
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

bool ExpandFtpFolder(const FtpAddress& server, const std::string& folder, std::vector<FtpCandidate>& files,
                     const FtpTimeouts& timeouts, std::string* error)
{
    std::vector<FtpEntry> entries;
    if (!ListFtpFolder(server, folder, entries, timeouts, error))
        return false;
    std::string prefix = folder.empty() || folder.front() != '/' ? "/" + folder : folder;
    if (prefix.back() != '/')
        prefix += '/';
    for (const FtpEntry& entry : entries) {
        if (entry.bFolder)
            continue;
        FtpAddress file = server;
        file.path = prefix + entry.name;
        files.push_back({MakeFtpAddress(file), entry.llSize});
    }
    return true;
}

}  // namespace quarvik
