#include "TemplReaders.h"

#include "LoadRows.h"
#include "SqlText.h"

namespace quarvik {
namespace {

// AutoTask columns in schema order.
void FillTask(CSqliteDb& db, MonTask_t& t)
{
    db.GetInt(0, t.nID);
    db.GetInt(1, t.bActive);
    db.GetString(2, t.szName);
    db.GetString(3, t.szComment);
    db.GetInt(4, t.nTargetID);
    db.GetInt(5, t.bSyntax);
    db.GetInt(6, t.nSyntaxID);
    db.GetInt(7, t.bPicute);
    db.GetInt(8, t.bAlert);
    db.GetInt(9, t.bLog);
    db.GetInt(10, t.bRecord);
}

// Target columns in schema order, which differs from the record's field order.
void FillTarget(CSqliteDb& db, MonObj_t& o)
{
    db.GetInt(0, o.nID);
    db.GetInt(1, o.nType);
    db.GetString(2, o.szName);
    db.GetString(3, o.szComment);
    db.GetString(4, o.szIp);
    db.GetInt(5, o.nPort);
    db.GetString(6, o.szUser);
    db.GetString(7, o.szPasswd);
    db.GetString(8, o.szPath);
    db.GetInt(9, o.nTimeSpan);
}

void FillSyntax(CSqliteDb& db, MonSyntax_t& s)
{
    db.GetInt(0, s.nID);
    db.GetString(1, s.szName);
    db.GetString(2, s.szComment);
}

void FillIdName(CSqliteDb& db, IdName_t& row)
{
    db.GetInt(0, row.nID);
    db.GetString(1, row.szName);
}

template <typename Row, typename Fill>
bool LoadOne(CSqliteDb& db, const std::string& sql, Fill fill, Row& out)
{
    std::vector<Row> rows = LoadRows<Row>(db, sql, fill, 1);
    if (rows.empty())
        return false;
    out = rows.front();
    return true;
}

}  // namespace

std::vector<MonTask_t> LoadTasks(CSqliteDb& db, bool activeOnly)
{
    return LoadRows<MonTask_t>(
        db, activeOnly ? "Select * from AutoTask where bActive=1 ORDER by nID" : "Select * from AutoTask ORDER by nID",
        FillTask);
}

std::vector<MonObj_t> LoadTargets(CSqliteDb& db)
{
    return LoadRows<MonObj_t>(db, "select * from Target Order by nID", FillTarget);
}

bool LoadTarget(CSqliteDb& db, int nID, MonObj_t& target)
{
    return LoadOne(db, SqlPrintf("select * from Target where nID=%d", nID), FillTarget, target);
}

std::vector<IdName_t> LoadTargetNames(CSqliteDb& db)
{
    return LoadRows<IdName_t>(db, "Select nID,szName from Target ", FillIdName);
}

std::vector<IdName_t> LoadSyntaxNames(CSqliteDb& db)
{
    return LoadRows<IdName_t>(db, "Select nID,szName from Syntax", FillIdName);
}

std::vector<MonSyntax_t> LoadSyntaxes(CSqliteDb& db)
{
    return LoadRows<MonSyntax_t>(db, "select * from Syntax Order by nID", FillSyntax);
}

bool LoadSyntax(CSqliteDb& db, int nID, MonSyntax_t& syntax)
{
    return LoadOne(db, SqlPrintf("select * from Syntax where nID=%d", nID), FillSyntax, syntax);
}

std::vector<MonSyntaxItem_t> LoadSyntaxItems(CSqliteDb& db, int nSyntaxID, SyntaxItemColumns columns)
{
    std::vector<int32_t> counted = LoadRows<int32_t>(
        db, SqlPrintf("select count(nId) from SyntaxItem WHERE nSyntaxID=%d", nSyntaxID),
        [](CSqliteDb& d, int32_t& n) { d.GetInt(0, n); });
    if (counted.empty() || counted.front() <= 0)
        return {};
    bool forEditor = columns == SyntaxItemColumns::kForEditor;
    const char* sql = forEditor
                          ? "select nType,nCompare,szAvLevel,szName,szValue1,szValue2 from SyntaxItem WHERE nSyntaxID=%d"
                          : "select nCompare,szAvLevel,szName,szValue1,szValue2 from SyntaxItem WHERE nSyntaxID=%d";
    int first = forEditor ? 1 : 0;
    return LoadRows<MonSyntaxItem_t>(
        db, SqlPrintf(sql, nSyntaxID),
        [first](CSqliteDb& d, MonSyntaxItem_t& item) {
            d.GetInt(first, item.nCompare);
            d.GetString(first + 1, item.szAvLevel);
            d.GetString(first + 2, item.szName);
            d.GetString(first + 3, item.szValue1);
            d.GetString(first + 4, item.szValue2);
        },
        static_cast<size_t>(counted.front()));
}

}  // namespace quarvik
