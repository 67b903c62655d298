// quarvik-export: writes HTML reports of the results stored in task.db (program folder;
// QUARVIK_HOME overrides it), without a display.
//
// Exit status: 0 written; 2 wrong arguments, no readable task database or no such result;
// 3 the report could not be written whole (the reason on stderr).

#include "ExportArgs.h"
#include "GuiApp.h"
#include "HistoryExport.h"
#include "ProgramFolder.h"
#include "StoredReport.h"
#include "Version.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace quarvik;

constexpr int kExitWritten = 0;
constexpr int kExitBadInput = 2;
constexpr int kExitNotWritten = 3;

void PrintUsage(std::FILE* to)
{
    std::fprintf(to,
                 "Usage: quarvik-export [--from YYYY-MM-DD] [--to YYYY-MM-DD] DIR\n"
                 "  or:  quarvik-export --name TEXT DIR\n"
                 "  or:  quarvik-export --result ID DIR\n"
                 "  or:  quarvik-export --help | --version\n"
                 "  Writes the history table (DIR/index.html and DIR/images) of the results begun\n"
                 "  within the days given (both whole days, local time; default today) or whose\n"
                 "  name contains TEXT, newest first; or the report of one result into DIR/<name>/.\n"
                 "  The results are read from task.db in the program folder (QUARVIK_HOME).\n"
                 "exit status: 0 written, 2 wrong arguments, no readable task database or no\n"
                 "such result, 3 the report could not be written whole\n");
}

// Opens the existing task database without creating one; false with a message.
bool OpenExistingTaskDb(CSqliteDb& db)
{
    const std::string path = ProgramFilePath("task.db");
    if (access(path.c_str(), R_OK) != 0) {
        std::fprintf(stderr, "quarvik-export: no readable task database at %s\n", path.c_str());
        return false;
    }
    if (!db.OpenTaskDb() || !db.Query("select nID from Results limit 1")) {
        std::fprintf(stderr, "quarvik-export: %s is not a readable task database\n", path.c_str());
        return false;
    }
    db.EndQuery();
    return true;
}

int Finish(const ReportOutcome& outcome, const std::string& written)
{
    if (!outcome.ok) {
        std::fprintf(stderr, "quarvik-export: %s\n", outcome.error.c_str());
        return kExitNotWritten;
    }
    std::printf("%s\n", written.c_str());
    return kExitWritten;
}

int ExportHistory(CSqliteDb& db, const ExportArgs& args)
{
    const std::vector<ResultRow> rows = args.mode == ExportArgs::kName
                                            ? LoadResultsByName(db, args.namePart)
                                            : LoadResultsBetween(db, args.from, args.to, true);
    std::error_code error;
    std::filesystem::create_directories(args.folder, error);
    if (error) {
        std::fprintf(stderr, "quarvik-export: cannot create folder %s: %s\n", args.folder.c_str(),
                     error.message().c_str());
        return kExitNotWritten;
    }
    const std::vector<ResultInfo_t> results = BorrowResultInfos(rows);
    return Finish(WriteHistoryExport(args.folder, results),
                  rows.empty() ? "no results: " + args.folder + "/images holds the format pictures only"
                               : std::to_string(rows.size()) + " results: " + args.folder + "/index.html");
}

int ExportResult(CSqliteDb& db, const ExportArgs& args)
{
    ResultRow row;
    if (!LoadStoredResult(db, args.resultId, row)) {
        std::fprintf(stderr, "quarvik-export: no result %d in the task database\n", args.resultId);
        return kExitBadInput;
    }
    std::string folder;
    const ReportOutcome outcome = WriteStoredResultReport(db, args.resultId, args.folder, &folder);
    return Finish(outcome, folder + "/index.html");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        PrintUsage(stdout);
        std::fputs(ProgramFolderHelp(), stdout);
        return kExitWritten;
    }
    if (argc == 2 && std::string(argv[1]) == "--version") {
        std::printf("quarvik-export (Quarvik) %s\n", ProgramVersion());
        return kExitWritten;
    }
    ExportArgs args;
    std::string error;
    if (!ParseExportArgs(argc, argv, args, error)) {
        std::fprintf(stderr, "quarvik-export: %s\n", error.c_str());
        PrintUsage(stderr);
        return kExitBadInput;
    }
    if (const std::string problem = ProgramFolderProblem(); !problem.empty()) {
        std::fprintf(stderr, "quarvik-export: %s\n", problem.c_str());
        return kExitBadInput;
    }
    CSqliteDb db;
    if (!OpenExistingTaskDb(db))
        return kExitBadInput;
    GuiApp app;
    return args.mode == ExportArgs::kResult ? ExportResult(db, args) : ExportHistory(db, args);
}
