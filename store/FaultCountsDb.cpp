#include "FaultCountsDb.h"

#include "FaultKinds.h"
#include "SqlText.h"
#include "TaskRecords.h"

#include <sqlite3.h>

#include <algorithm>
#include <unordered_map>

namespace quarvik {
namespace {

const char kFaultCountsTable[] =
    "CREATE TABLE IF NOT EXISTS [FaultCounts] (\nnID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE,\n"
    "[nResultID] INTEGER NOT NULL ON CONFLICT FAIL, \n[nFault] INTEGER NOT NULL ON CONFLICT FAIL, \n"
    "[nCount] INTEGER NOT NULL ON CONFLICT FAIL, \nUNIQUE (nResultID, nFault) ON CONFLICT REPLACE);";
const char kFaultCountsTrigger[] =
    "CREATE TRIGGER IF NOT EXISTS [DeleteFaultCounts]\nAFTER DELETE ON [Results] FOR EACH ROW\n"
    "BEGIN\nDelete From FaultCounts Where nResultID=old.nID;\nEND;\n";

}  // namespace

bool EnsureFaultCountsTable(CSqliteDb& db)
{
    return db.Exec(kFaultCountsTable) && db.Exec(kFaultCountsTrigger);
}

bool StoreFaultCount(CSqliteDb& db, int nResultID, int32_t nFault, int32_t nCount)
{
    return db.RunInTransaction([&] {
        return EnsureFaultCountsTable(db) &&
               db.Exec(SqlPrintf("insert into FaultCounts (nResultID,nFault,nCount) Values (%d,%d,%d);", nResultID,
                                 nFault, nCount));
    });
}

bool LoadFaultCounts(CSqliteDb& db, const std::vector<ResultInfo_t*>& results)
{
    if (results.empty() || !db.TableExists("FaultCounts"))
        return true;
    std::unordered_map<int32_t, ResultInfo_t*> byId;
    int32_t low = results.front()->nID, high = low;
    for (ResultInfo_t* r : results) {
        byId[r->nID] = r;
        low = std::min(low, r->nID);
        high = std::max(high, r->nID);
    }
    if (!db.Query(SqlPrintf("select nResultID,nFault,nCount from FaultCounts where nResultID>=%d and nResultID<=%d",
                            low, high)))
        return false;
    int rc;
    while ((rc = db.Step()) == SQLITE_ROW) {
        int32_t id = 0, fault = 0, count = 0;
        db.GetInt(0, id);
        db.GetInt(1, fault);
        db.GetInt(2, count);
        const auto found = byId.find(id);
        if (found != byId.end() && CountsInFaultCounts(fault))
            found->second->nKindCounts[fault] = count;
    }
    db.EndQuery();
    return rc == SQLITE_DONE;
}

}  // namespace quarvik
