// Templ.db: monitoring tasks, targets and format templates, written by the options dialog.
#include "ProgramFolder.h"
#include "SqlText.h"
#include "SqliteDb.h"

namespace quarvik {
namespace {

const char* const kTemplSchema[] = {
    "CREATE TABLE [AutoTask] (\nnID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE,\n[bActive] INTEGER NOT NULL ON CONFLICT FAIL, \n[szName] VARCHAR(64) NOT NULL ON CONFLICT FAIL, \n[szComment] VARCHAR(256) NOT NULL ON CONFLICT FAIL, \n[nTargetID] INTEGER NOT NULL ON CONFLICT FAIL, \n[bSyntax] INTEGER NOT NULL ON CONFLICT FAIL, \n[nSyntaxID] INTEGER NOT NULL ON CONFLICT FAIL, \n[bPicute] INTEGER NOT NULL ON CONFLICT FAIL, \n[bAlert] INTEGER NOT NULL ON CONFLICT FAIL, \n[bLog] INTEGER NOT NULL ON CONFLICT FAIL, \n[bRecord] INTEGER NOT NULL ON CONFLICT FAIL);\n",
    "CREATE TABLE [Target] (\nnID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE,\n[nType] INTEGER NOT NULL ON CONFLICT FAIL, \n[szName] VARCHAR(64) NOT NULL ON CONFLICT FAIL, \n[szComment] VARCHAR(256) NOT NULL ON CONFLICT FAIL, \n[szIp] VARCHAR(64) NOT NULL ON CONFLICT FAIL, \n[nPort] INTEGER NOT NULL ON CONFLICT FAIL, \n[szUser] VARCHAR(32) NOT NULL ON CONFLICT FAIL, \n[szPasswd] VARCHAR(32) NOT NULL ON CONFLICT FAIL, \n[szPath] VARCHAR(128) NOT NULL ON CONFLICT FAIL, \n[nTimeSpan] INTEGER NOT NULL ON CONFLICT FAIL);\n",
    "CREATE TABLE [Syntax] (\nnID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE,\n[szName] VARCHAR(64) NOT NULL ON CONFLICT FAIL, \n[szComment] VARCHAR(256) NOT NULL ON CONFLICT FAIL);\n",
    "CREATE TABLE [SyntaxItem] (\nnID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE,\n[nSyntaxID] INTEGER NOT NULL ON CONFLICT FAIL, \n[nType] INTEGER NOT NULL ON CONFLICT FAIL, \n[nCompare] INTEGER NOT NULL ON CONFLICT FAIL, \n[szAvLevel] VARCHAR(64) NOT NULL ON CONFLICT FAIL, \n[szName] VARCHAR(64) NOT NULL ON CONFLICT FAIL, \n[szValue1] VARCHAR(256) NOT NULL ON CONFLICT FAIL, \n[szValue2] VARCHAR(256) NOT NULL ON CONFLICT FAIL); \n",
    "CREATE TRIGGER [DeleteSyntax]\nAFTER DELETE ON [Syntax] FOR EACH ROW\nBEGIN\nDelete From SyntaxItem Where nSyntaxID=old.nID;\nEND;\n",
};

// Items are always written with nType 0, whatever the record holds.
bool InsertSyntaxItems(CSqliteDb& db, int syntaxId, const MonSyntax_t& syntax)
{
    for (int i = 0; i < syntax.nCount && syntax.pItems; ++i) {
        const MonSyntaxItem_t& item = syntax.pItems[i];
        if (!db.Exec(SqlPrintf("INSERT INTO SyntaxItem  VALUES (NULL,%d,%d,%d,'%q','%q','%q','%q');", syntaxId, 0,
                               item.nCompare, item.szAvLevel, item.szName, item.szValue1, item.szValue2)))
            return false;
    }
    return true;
}

}  // namespace

bool CSqliteDb::OpenTemplDb()
{
    return OpenOrCreate(ProgramFilePath("Templ.db"), kTemplSchema);
}

bool CSqliteDb::AddTask(const MonTask_t& t, int& newId)
{
    if (!Exec(SqlPrintf("insert into AutoTask  Values (NULL,%d,'%q','%q',%d,%d,%d,%d,%d,%d,%d);", t.bActive, t.szName,
                        t.szComment, t.nTargetID, t.bSyntax, t.nSyntaxID, t.bPicute, t.bAlert, t.bLog, t.bRecord)))
        return false;
    newId = GetLastInsertId();
    return true;
}

bool CSqliteDb::UpdateTask(int nID, const MonTask_t& t)
{
    return Exec(SqlPrintf("UPDATE AutoTask  SET bActive=%d,szName='%q',szComment='%q',nTargetID=%d,bSyntax=%d,"
                          "nSyntaxID=%d,bPicute=%d,bAlert=%d,bLog=%d,bRecord=%d WHERE nID=%d",
                          t.bActive, t.szName, t.szComment, t.nTargetID, t.bSyntax, t.nSyntaxID, t.bPicute, t.bAlert,
                          t.bLog, t.bRecord, nID));
}

bool CSqliteDb::DeleteTask(int nID)
{
    return Exec(SqlPrintf("DELETE FROM AutoTask  WHERE nID=%d", nID));
}

bool CSqliteDb::AddTarget(int& newId, const MonObj_t& o)
{
    if (!Exec(SqlPrintf("insert into [Target]  Values (NULL,%d,'%q','%q','%q',%d,'%q','%q','%q',%d);", o.nType,
                        o.szName, o.szComment, o.szIp, o.nPort, o.szUser, o.szPasswd, o.szPath, o.nTimeSpan)))
        return false;
    newId = GetLastInsertId();
    return true;
}

bool CSqliteDb::UpdateTarget(int nID, const MonObj_t& o)
{
    return Exec(SqlPrintf("UPDATE Target SET nType=%d,szName='%q',szComment='%q',szIp='%q',nPort=%d,szUser='%q',"
                          "szPasswd='%q',szPath='%q',nTimeSpan=%d WHERE nID=%d",
                          o.nType, o.szName, o.szComment, o.szIp, o.nPort, o.szUser, o.szPasswd, o.szPath,
                          o.nTimeSpan, nID)) &&
           GetChanges() > 0;
}

bool CSqliteDb::DeleteTarget(int nID)
{
    return Exec(SqlPrintf("DELETE from Target WHERE nID=%d", nID));
}

bool CSqliteDb::AddSyntax(const MonSyntax_t& syntax, int& newId)
{
    int id = 0;
    const bool added = RunInTransaction([&] {
        if (!Exec(SqlPrintf("INSERT INTO Syntax  VALUES (NULL,'%q','%q');", syntax.szName, syntax.szComment)))
            return false;
        id = GetLastInsertId();
        return InsertSyntaxItems(*this, id, syntax);
    });
    if (added)
        newId = id;
    return added;
}

bool CSqliteDb::UpdateSyntax(int nID, const MonSyntax_t& syntax)
{
    return RunInTransaction([&] {
        return Exec(SqlPrintf("UPDATE Syntax SET szName='%q',szComment='%q' WHERE nID=%d", syntax.szName,
                              syntax.szComment, nID)) &&
               Exec(SqlPrintf("DELETE FROM SyntaxItem WHERE nSyntaxID=%d", nID)) && InsertSyntaxItems(*this, nID, syntax);
    });
}

bool CSqliteDb::DeleteSyntax(int nID)
{
    return RunInTransaction([&] { return Exec(SqlPrintf("DELETE from Syntax WHERE nID=%d", nID)); });
}

}  // namespace quarvik
