#include "LoudnessDb.h"

#include "SqlText.h"

#include <cmath>
#include <cstring>
#include <string>

namespace quarvik {
namespace {

const char kLoudnessTable[] =
    "CREATE TABLE IF NOT EXISTS [Loudness] (\nnID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE,\n"
    "[nResultID] INTEGER NOT NULL ON CONFLICT FAIL, \n[fIntegrated] FLOAT, \n[fRange] FLOAT, \n"
    "[fTruePeak] FLOAT, \n[fMaxMomentary] FLOAT, \n[fMaxShortTerm] FLOAT, \n"
    "[nVerdict] INTEGER NOT NULL ON CONFLICT FAIL, \n[fTarget] FLOAT, \n[fTolerance] FLOAT, \n"
    "[fMaxTruePeak] FLOAT, \n[blobShortTerm] BLOB);";
const char kLoudnessTrigger[] =
    "CREATE TRIGGER IF NOT EXISTS [DeleteLoudness]\nAFTER DELETE ON [Results] FOR EACH ROW\n"
    "BEGIN\nDelete From Loudness Where nResultID=old.nID;\nEND;\n";

// A figure as SQL: NULL without a value.
std::string SqlFigure(double figure)
{
    return HasLoudnessValue(figure) ? SqlPrintf("%.6f", figure) : std::string("NULL");
}

}  // namespace

bool EnsureLoudnessTable(CSqliteDb& db)
{
    return db.Exec(kLoudnessTable) && db.Exec(kLoudnessTrigger);
}

bool StoreLoudness(CSqliteDb& db, int nResultID, const LoudnessRow& row)
{
    const LoudnessInfo_t& l = row.info;
    return db.RunInTransaction([&] {
        if (!EnsureLoudnessTable(db) ||
            !db.Exec(SqlPrintf("delete from Loudness where nResultID=%d", nResultID)))
            return false;
        const std::string sql = SqlPrintf(
            "insert into Loudness (nResultID,fIntegrated,fRange,fTruePeak,fMaxMomentary,fMaxShortTerm,"
            "nVerdict,fTarget,fTolerance,fMaxTruePeak,blobShortTerm) Values (%d,%s,%s,%s,%s,%s,%d,%s,%s,%s,?);",
            nResultID, SqlFigure(l.fIntegrated).c_str(), SqlFigure(l.fRange).c_str(),
            SqlFigure(l.fTruePeak).c_str(), SqlFigure(l.fMaxMomentary).c_str(),
            SqlFigure(l.fMaxShortTerm).c_str(), row.nVerdict, SqlFigure(row.limits.target).c_str(),
            SqlFigure(row.limits.tolerance).c_str(), SqlFigure(row.limits.maxTruePeak).c_str());
        const int bytes = static_cast<int>(l.shortTerm.size() * sizeof(float));
        return db.ExecBlob(sql, bytes > 0 ? l.shortTerm.data() : nullptr, bytes);
    });
}

bool LoadLoudness(CSqliteDb& db, int nResultID, LoudnessRow& row)
{
    if (!db.TableExists("Loudness") ||
        !db.Query(SqlPrintf("select fIntegrated,fRange,fTruePeak,fMaxMomentary,fMaxShortTerm,nVerdict,"
                            "blobShortTerm,fTarget,fTolerance,fMaxTruePeak from Loudness where nResultID=%d "
                            "order by nID desc",
                            nResultID)))
        return false;
    const bool found = db.Step() == 100;
    if (found) {
        double* figures[] = {&row.info.fIntegrated, &row.info.fRange, &row.info.fTruePeak,
                             &row.info.fMaxMomentary, &row.info.fMaxShortTerm};
        for (int col = 0; col < 5; ++col) {
            int bytes = 0;
            if (!db.GetDouble(col, *figures[col], &bytes) || bytes == 0)
                *figures[col] = std::nan("");
        }
        db.GetInt(5, row.nVerdict);
        row.limits = LoudnessLimits{};
        row.limits.enabled = row.nVerdict != kLoudnessNotJudged;
        double* limits[] = {&row.limits.target, &row.limits.tolerance, &row.limits.maxTruePeak};
        for (int col = 7; col < 10; ++col) {
            double value = 0.0;
            int bytes = 0;
            if (db.GetDouble(col, value, &bytes) && bytes > 0)
                *limits[col - 7] = value;
        }
        const void* data = nullptr;
        int bytes = 0;
        row.info.shortTerm.clear();
        if (db.GetBlob(6, data, bytes) && data && bytes > 0) {
            row.info.shortTerm.resize(static_cast<size_t>(bytes) / sizeof(float));
            std::memcpy(row.info.shortTerm.data(), data, row.info.shortTerm.size() * sizeof(float));
        }
    }
    db.EndQuery();
    return found;
}

}  // namespace quarvik
