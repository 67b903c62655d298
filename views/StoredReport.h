// Reports of results stored in task.db: the readers that fill the writers' records, and the
// one call that writes a stored result's report.
//
// All functions run on an opened task database (CSqliteDb::OpenTaskDb) on the calling thread.
#pragma once

#include "ReportOutcome.h"
#include "ResultReport.h"
#include "SqliteDb.h"
#include "TaskQueries.h"

#include <string>
#include <vector>

namespace quarvik {

// One Results row by id; false when there is none.
bool LoadStoredResult(CSqliteDb& db, int nResultID, ResultRow& row);

// A stored result's report records together with the snapshot pixels they point into. Moving
// keeps the pointers valid; copying is not allowed.
struct StoredResultReport {
    StoredResultReport() = default;
    StoredResultReport(StoredResultReport&&) = default;
    StoredResultReport& operator=(StoredResultReport&&) = default;
    StoredResultReport(const StoredResultReport&) = delete;
    StoredResultReport& operator=(const StoredResultReport&) = delete;

    ResultReport report;
    std::vector<FaultRow> faultRows;
};

// Result, media information, format deviations and faults of one result; false when the
// result does not exist. A fault whose blob holds a whole 160 x 120 snapshot gets it; any
// other is drawn without one.
bool LoadResultReport(CSqliteDb& db, int nResultID, StoredResultReport& out);
// The faults of a result into out, with their snapshots as above.
void LoadFaultsOf(CSqliteDb& db, int nResultID, StoredResultReport& out);

// The records of rows, each with its face picture pointing into its row: valid while rows is.
std::vector<ResultInfo_t> BorrowResultInfos(const std::vector<ResultRow>& rows);

// The report folder's name for a result: its name, with '/' made '_'; "result-<id>" when the
// name is empty, "." or "..".
std::string ReportFolderName(const ResultInfo_t& result);

// Writes the report of a stored result into parentFolder/<ReportFolderName>/, making the
// folders as needed; reportFolder receives that path. Fails when the result does not exist.
ReportOutcome WriteStoredResultReport(CSqliteDb& db, int nResultID, const std::string& parentFolder,
                                      std::string* reportFolder = nullptr);

}  // namespace quarvik
