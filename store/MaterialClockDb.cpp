#include "MaterialClockDb.h"

#include "SqlText.h"

namespace quarvik {
namespace {

const char kClockTable[] =
    "CREATE TABLE IF NOT EXISTS [MaterialClock] (\nnID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE,\n"
    "[nResultID] INTEGER NOT NULL ON CONFLICT FAIL, \n[nRateNum] INTEGER, \n[nRateDen] INTEGER, \n"
    "[szStartTimeCode] VARCHAR(32));";
const char kClockTrigger[] =
    "CREATE TRIGGER IF NOT EXISTS [DeleteMaterialClock]\nAFTER DELETE ON [Results] FOR EACH ROW\n"
    "BEGIN\nDelete From MaterialClock Where nResultID=old.nID;\nEND;\n";

}  // namespace

bool EnsureMaterialClockTable(CSqliteDb& db)
{
    return db.Exec(kClockTable) && db.Exec(kClockTrigger);
}

bool StoreMaterialClock(CSqliteDb& db, int nResultID, const MaterialClock& clock)
{
    return db.RunInTransaction([&] {
        return EnsureMaterialClockTable(db) &&
               db.Exec(SqlPrintf("delete from MaterialClock where nResultID=%d", nResultID)) &&
               db.Exec(SqlPrintf("insert into MaterialClock (nResultID,nRateNum,nRateDen,szStartTimeCode) "
                                 "Values (%d,%d,%d,'%q');",
                                 nResultID, clock.rateNum, clock.rateDen, clock.startTimeCode.c_str()));
    });
}

bool LoadMaterialClock(CSqliteDb& db, int nResultID, MaterialClock& clock)
{
    if (!db.TableExists("MaterialClock") ||
        !db.Query(SqlPrintf("select nRateNum,nRateDen,szStartTimeCode from MaterialClock where nResultID=%d "
                            "order by nID desc",
                            nResultID)))
        return false;
    const bool found = db.Step() == 100;
    if (found) {
        clock = MaterialClock{};
        db.GetInt(0, clock.rateNum);
        db.GetInt(1, clock.rateDen);
        db.GetString(2, clock.startTimeCode);
    }
    db.EndQuery();
    return found;
}

}  // namespace quarvik
