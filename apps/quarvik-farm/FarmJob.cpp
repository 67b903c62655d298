#include "FarmJob.h"

#include "ProgramFolder.h"
#include "ResultFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace quarvik {
namespace {

namespace fs = std::filesystem;

// text as one shell word.
std::string ShellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool WriteText(const std::string& path, const std::string& text, std::string& error)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

std::string BatchScript(const FarmJob& job, const std::string& checker)
{
    std::string templateOption = job.templateName.empty() ? "" : "--template " + ShellQuoted(job.templateName) + " ";
    return "#!/bin/sh\n"
           "# One file of a Quarvik farm job, run by Slurm as an array task: file N of files.txt is\n"
           "# checked with the rules of this job and its result written to results/N.json.\n"
           "set -u\n"
           "job=" + ShellQuoted(job.folder) + "\n"
           "n=${SLURM_ARRAY_TASK_ID:?not started as a Slurm array task}\n"
           "file=$(sed -n \"$((n + 1))p\" \"$job/files.txt\")\n"
           "QUARVIK_HOME=\"$job/rules\" exec " + ShellQuoted(checker) + " " + templateOption +
           "--result-file \"$job/results/$n.json\" -- \"$file\"\n";
}

bool AddFolderFiles(const fs::path& folder, std::vector<std::string>& files, std::string& error)
{
    std::error_code failed;
    std::vector<std::string> found;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, failed);
    for (; !failed && it != fs::recursive_directory_iterator(); it.increment(failed)) {
        const std::string name = it->path().filename().string();
        if (name.starts_with('.')) {
            if (it->is_directory(failed))
                it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file(failed))
            found.push_back(it->path().string());
    }
    if (failed) {
        error = folder.string() + ": " + failed.message();
        return false;
    }
    std::sort(found.begin(), found.end());
    files.insert(files.end(), found.begin(), found.end());
    return true;
}

}  // namespace

std::string FarmJob::ResultPath(size_t index) const
{
    return folder + "/results/" + std::to_string(index) + ".json";
}

std::string FarmJob::LogPath(size_t index) const
{
    return folder + "/logs/" + std::to_string(index) + ".out";
}

std::string FarmJob::ScriptPath() const
{
    return folder + "/run.sh";
}

std::string FarmSpool(const std::string& given)
{
    if (!given.empty())
        return given;
    const char* spool = std::getenv("QUARVIK_FARM_SPOOL");
    return spool && *spool ? std::string(spool) : ProgramFilePath("farm");
}

bool ExpandFarmInputs(const std::vector<std::string>& arguments, std::vector<std::string>& files, std::string& error)
{
    for (const std::string& argument : arguments) {
        std::error_code failed;
        const fs::path path = fs::absolute(argument, failed).lexically_normal();
        if (failed || !fs::exists(path, failed)) {
            error = argument + ": no such file or folder";
            return false;
        }
        if (fs::is_directory(path, failed)) {
            if (!AddFolderFiles(path, files, error))
                return false;
        } else {
            files.push_back(path.string());
        }
    }
    for (const std::string& file : files) {
        if (file.find_first_of("\r\n") != std::string::npos) {
            error = "a file name with a line break cannot go to the farm: " + file;
            return false;
        }
    }
    if (files.empty())
        error = "no files to check";
    return !files.empty();
}

bool CreateFarmJob(const std::string& spool, const std::vector<std::string>& files, const std::string& templateName,
                   const std::string& checker, FarmJob& job, std::string& error)
{
    std::error_code failed;
    fs::create_directories(spool, failed);
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::strftime(stamp, sizeof(stamp), "%Y%m%d-%H%M%S", std::localtime(&now));
    std::string pattern = spool + "/job-" + stamp + "-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        error = "cannot create a job folder in " + spool;
        return false;
    }
    // Nodes run as the submitting user and read the job; no one else writes into it.
    chmod(pattern.c_str(), 0755);
    job = FarmJob{};
    job.folder = fs::absolute(pattern).string();
    job.name = fs::path(job.folder).filename().string();
    job.templateName = templateName;
    job.files = files;
    std::string list;
    for (const std::string& file : files)
        list += file + "\n";
    for (const char* sub : {"rules", "results", "logs"}) {
        if (!fs::create_directory(job.folder + "/" + sub, failed)) {
            error = "cannot create " + job.folder + "/" + sub + ": " + failed.message();
            return false;
        }
    }
    if (!CopyJudgingFiles(ProgramFolder(), job.folder + "/rules", error) ||
        !WriteText(job.folder + "/files.txt", list, error) ||
        !WriteText(job.ScriptPath(), BatchScript(job, checker), error) || !SaveFarmJob(job, error))
        return false;
    chmod(job.ScriptPath().c_str(), 0755);
    return true;
}

bool SaveFarmJob(const FarmJob& job, std::string& error)
{
    QJsonArray files;
    for (const std::string& file : job.files)
        files.append(QString::fromStdString(file));
    const QJsonObject document{{"format", "quarvik-farm-job"},
                               {"version", 1},
                               {"job_id", QString::fromStdString(job.jobId)},
                               {"template", QString::fromStdString(job.templateName)},
                               {"files", files}};
    QSaveFile file(QString::fromStdString(job.folder + "/job.json"));
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(document).toJson()) < 0 || !file.commit()) {
        error = job.folder + "/job.json: " + file.errorString().toStdString();
        return false;
    }
    return true;
}

bool FindFarmJob(const std::string& spool, const std::string& jobId, FarmJob& job, std::string& error)
{
    std::error_code failed;
    std::string newest;
    for (fs::directory_iterator it(spool, failed); !failed && it != fs::directory_iterator(); it.increment(failed)) {
        QFile file(QString::fromStdString((it->path() / "job.json").string()));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
        const std::string name = it->path().filename().string();
        if (o["format"].toString() != "quarvik-farm-job" || o["job_id"].toString().toStdString() != jobId ||
            name < newest)
            continue;
        newest = name;
        job = FarmJob{};
        job.folder = it->path().string();
        job.name = name;
        job.jobId = jobId;
        job.templateName = o["template"].toString().toStdString();
        for (const QJsonValue& f : o["files"].toArray())
            job.files.push_back(f.toString().toStdString());
    }
    if (newest.empty())
        error = "no job " + jobId + " in " + spool;
    return !newest.empty();
}

}  // namespace quarvik
