#include "ResultFileCheck.h"

#include "ProgramFolder.h"
#include "ResultBundle.h"
#include "ResultFile.h"
#include "Settings.h"
#include "SqliteDb.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace quarvik {
namespace {

namespace fs = std::filesystem;

// A private program folder for one check, removed when the check is over.
class ScratchFolder {
public:
    bool Create(std::string& error)
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quarvik-check-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            error = "cannot create a working folder in " + pattern.substr(0, pattern.rfind('/'));
            return false;
        }
        m_path = pattern;
        return true;
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        if (!m_path.empty())
            fs::remove_all(m_path, ignored);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

}  // namespace

bool RunResultFileCheck(const std::string& input, const std::string& resultPath, const StoredCheckOptions& options,
                        FileReport& report, std::string& error)
{
    ScratchFolder scratch;
    if (!scratch.Create(error))
        return false;
    if (!CopyJudgingFiles(ProgramFolder(), scratch.Path(), error))
        return false;
    std::error_code failed;
    const std::string cache = scratch.Path() + "/cache";
    setenv("QUARVIK_HOME", scratch.Path().c_str(), 1);
    // The cache only takes downloads here; the node's free space is the cluster's business.
    if (!fs::create_directory(cache, failed) || !WriteSetting(kCachePath, cache) || !WriteSetting(kCacheMinSpace, 0)) {
        error = "cannot set up the working folder " + scratch.Path();
        return false;
    }

    std::vector<FileReport> reports;
    if (!RunStoredChecks({input}, options, reports, error))
        return false;
    report = reports.front();
    if (report.resultId <= 0)
        return true;
    CSqliteDb db;
    ResultBundle bundle;
    if (!db.OpenTaskDb() || !LoadResultBundle(db, report.resultId, bundle)) {
        error = "cannot read the stored result back from " + ProgramFilePath("task.db");
        return false;
    }
    return WriteResultFile(resultPath, input, bundle, error);
}

}  // namespace quarvik
