// The ledger of results taken over from a check farm: table FarmImports of "task.db", one row
// per file of a farm job that was imported (the result it became) or given up (Slurm's reason).
// It is written in the same write unit as the result, so a result is imported once only, even
// when the import is killed midway and run again. Rows stay when their result is deleted in the
// history: collecting the job again must not bring the result back.
#pragma once

#include "SqliteDb.h"

#include <cstdint>
#include <map>
#include <string>

namespace quarvik {

struct FarmImport {
    int32_t nResultID = 0;
    std::string szOutcome;  // what was imported: the result's state name, or why it failed
};

// Creates the table when missing; an existing one is left as it is.
bool EnsureFarmImportsTable(CSqliteDb& db);
// The files of job already imported, by their index in the job; none when the table is missing.
std::map<int, FarmImport> LoadFarmImports(CSqliteDb& db, const std::string& job);
// Notes file index of job as imported (inside the write unit that stores its result).
bool AddFarmImport(CSqliteDb& db, const std::string& job, int index, const FarmImport& import);

}  // namespace quarvik
