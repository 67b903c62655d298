#include "FarmImports.h"

#include "LoadRows.h"
#include "SqlText.h"

namespace quarvik {

bool EnsureFarmImportsTable(CSqliteDb& db)
{
    return db.Exec("CREATE TABLE IF NOT EXISTS [FarmImports] (\n[szJob] VARCHAR(64) NOT NULL, \n"
                   "[nIndex] INTEGER NOT NULL, \n[nResultID] INTEGER NOT NULL, \n[szOutcome] VARCHAR(256) NOT NULL, \n"
                   "PRIMARY KEY (szJob, nIndex));");
}

std::map<int, FarmImport> LoadFarmImports(CSqliteDb& db, const std::string& job)
{
    struct Row {
        int32_t index = 0;
        FarmImport import;
    };
    std::map<int, FarmImport> imports;
    if (!db.TableExists("FarmImports"))
        return imports;
    for (Row& row : LoadRows<Row>(
             db, SqlPrintf("select nIndex,nResultID,szOutcome from FarmImports where szJob='%q'", job.c_str()),
             [](CSqliteDb& d, Row& r) {
                 d.GetInt(0, r.index);
                 d.GetInt(1, r.import.nResultID);
                 d.GetString(2, r.import.szOutcome);
             }))
        imports[row.index] = std::move(row.import);
    return imports;
}

bool AddFarmImport(CSqliteDb& db, const std::string& job, int index, const FarmImport& import)
{
    // A second import of the same file fails on the key and takes its result with it.
    return EnsureFarmImportsTable(db) &&
           db.Exec(SqlPrintf("insert into FarmImports (szJob,nIndex,nResultID,szOutcome) Values ('%q',%d,%d,'%q');",
                             job.c_str(), index, import.nResultID, import.szOutcome.c_str()));
}

}  // namespace quarvik
