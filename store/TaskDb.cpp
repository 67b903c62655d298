// task.db: sub-tasks, results and their fault events, properties and format deviations.
#include "FaultKinds.h"
#include "ProgramFolder.h"
#include "SqlText.h"
#include "SqliteDb.h"

#include <sqlite3.h>

namespace quarvik {
namespace {

const char* const kTaskSchema[] = {
    "CREATE TABLE [SubTasks] (\nnID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE,\n[nTaskID] INTEGER NOT NULL ON CONFLICT FAIL, \n[szName] VARCHAR(64) NOT NULL ON CONFLICT FAIL, \n[szFilename] VARCHAR(160) NOT NULL ON CONFLICT FAIL, \n[szNewFilename] VARCHAR(160) NOT NULL ON CONFLICT FAIL, \n[llFileSize] BIGINT NOT NULL ON CONFLICT FAIL,\n[nFacePicState] INTEGER NOT NULL ON CONFLICT FAIL, \n[nState] INTEGER NOT NULL ON CONFLICT FAIL, \n[nType] INTEGER NOT NULL ON CONFLICT FAIL, \n[szSmgIP] VARCHAR(64) NOT NULL ON CONFLICT FAIL, \n[szPolicy] VARCHAR(64) NOT NULL ON CONFLICT FAIL, \n[blobFaceImage] BLOB );",
    "CREATE TABLE [Results] (\nnID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE,\n[nTaskID] INTEGER NOT NULL ON CONFLICT FAIL, \n[nSubTaskID] INTEGER NOT NULL ON CONFLICT FAIL, \n[szName] VARCHAR(64) NOT NULL ON CONFLICT FAIL, \n[szFilename] VARCHAR(160) NOT NULL ON CONFLICT FAIL, \n[szNewFilename] VARCHAR(160) NOT NULL ON CONFLICT FAIL, \n[llFileSize] BIGINT NOT NULL ON CONFLICT FAIL,\n[nFacePicState] INTEGER NOT NULL ON CONFLICT FAIL, \n[nState] INTEGER NOT NULL ON CONFLICT FAIL, \n[nFrame] INTEGER NOT NULL ON CONFLICT FAIL, \n[tmBegin] INTEGER NOT NULL ON CONFLICT FAIL, \n[tmEnd] INTEGER NOT NULL ON CONFLICT FAIL, \n[fSpeed] FLOAT NOT NULL ON CONFLICT FAIL, \n[nNVCount] INTEGER NOT NULL ON CONFLICT FAIL, \n[nSFCount] INTEGER NOT NULL ON CONFLICT FAIL, \n[nBBCount] INTEGER NOT NULL ON CONFLICT FAIL, \n[nCFCount] INTEGER NOT NULL ON CONFLICT FAIL, \n[nCBCount] INTEGER NOT NULL ON CONFLICT FAIL, \n[nMSCCount] INTEGER NOT NULL ON CONFLICT FAIL, \n[nNA1Count] INTEGER NOT NULL ON CONFLICT FAIL, \n[nNA2Count] INTEGER NOT NULL ON CONFLICT FAIL, \n[nNA3Count] INTEGER NOT NULL ON CONFLICT FAIL, \n[nNA4Count] INTEGER NOT NULL ON CONFLICT FAIL, \n[nAL1Count] INTEGER NOT NULL ON CONFLICT FAIL, \n[nAL2Count] INTEGER NOT NULL ON CONFLICT FAIL, \n[nAL3Count] INTEGER NOT NULL ON CONFLICT FAIL, \n[nAL4Count] INTEGER NOT NULL ON CONFLICT FAIL, \n[nAH1Count] INTEGER NOT NULL ON CONFLICT FAIL, \n[nAH2Count] INTEGER NOT NULL ON CONFLICT FAIL, \n[nAH3Count] INTEGER NOT NULL ON CONFLICT FAIL, \n[nAH4Count] INTEGER NOT NULL ON CONFLICT FAIL, \n[nFmtError] INTEGER NOT NULL ON CONFLICT FAIL, \n[szFEDesc] VARCHAR(64) NOT NULL ON CONFLICT FAIL, \n[blobFaceImage] BLOB);",
    "CREATE TABLE [MediaInfo] (\nnID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE,\n[nResultID] INTEGER NOT NULL ON CONFLICT FAIL, \n[nType] INTEGER NOT NULL ON CONFLICT FAIL, \n[szFeature] VARCHAR(32) NOT NULL ON CONFLICT FAIL, \n[szValue] VARCHAR(32) NOT NULL ON CONFLICT FAIL);",
    "CREATE TABLE [Faults] (\nnID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE,\n[nResultID] INTEGER NOT NULL ON CONFLICT FAIL, \n[nFault] INTEGER NOT NULL ON CONFLICT FAIL, \n[nValue] INTEGER NOT NULL ON CONFLICT FAIL, \n[tmBegin] INTEGER NOT NULL ON CONFLICT FAIL, \n[tmEnd] INTEGER NOT NULL ON CONFLICT FAIL, \n[nImageWidth] INTEGER NOT NULL ON CONFLICT FAIL, \n[nImageHeight] INTEGER NOT NULL ON CONFLICT FAIL, \n[blobFaultImage] BLOB);",
    "CREATE TABLE [SyntaxErr] (\nnID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE,\n[nResultID] INTEGER NOT NULL ON CONFLICT FAIL, \n[szType] VARCHAR(64)  NOT NULL ON CONFLICT FAIL, \n[szName] VARCHAR(64)  NOT NULL ON CONFLICT FAIL, \n[szVaildValue1] VARCHAR(64)  NOT NULL ON CONFLICT FAIL, \n[szVaildValue2] VARCHAR(64)  NOT NULL ON CONFLICT FAIL, \n[szRealValue] VARCHAR(64)  NOT NULL ON CONFLICT FAIL); \n",
    "CREATE TRIGGER [DeleteResult]\nAFTER DELETE ON [Results] FOR EACH ROW\nBEGIN\nDelete From Faults Where nResultID=old.nID;\nDelete From MediaInfo Where nResultID=old.nID;\nDelete From SyntaxErr Where nResultID=old.nID;\nEND;\n",
};

// The file-name part of a local path or address.
std::string BaseName(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A picture pointer with a length that SQLite can bind: nothing when there is no picture.
const void* PictureOrNull(const uint8_t* pixels, int length)
{
    return length > 0 ? pixels : nullptr;
}

}  // namespace

bool CSqliteDb::OpenTaskDb()
{
    return OpenOrCreate(ProgramFilePath("task.db"), kTaskSchema);
}

bool CSqliteDb::AddSubTask(int& newId, const SubTaskInfo_t& s)
{
    if (!ExecBlob(SqlPrintf("insert into SubTasks  Values (NULL,%d,'%q','%q','%q',%lld,%d,%d,%d,'%q','%q',?);",
                            s.nTaskID, s.szName, s.szFilename, s.szNewFilename, static_cast<long long>(s.llFileSize),
                            s.nFacePicState, s.nState, s.nType, s.szSmgIP, s.szPolicy),
                  PictureOrNull(s.pFaceImage, s.nFaceImageSize), s.nFaceImageSize))
        return false;
    newId = GetLastInsertId();
    return true;
}

bool CSqliteDb::SetSubTaskState(int nID, int state)
{
    return Exec(SqlPrintf("update SubTasks  set nState=%d where nID=%d", state, nID));
}

bool CSqliteDb::DeleteSubTask(int nID)
{
    return Exec(SqlPrintf("delete from SubTasks  where nID=%d", nID));
}

bool CSqliteDb::AddResult(int& newId, const ResultInfo_t& r)
{
    std::string sql = SqlPrintf(
        "insert into Results  Values (NULL,%d,%d,'%q','%q','%q',%lld,%d,%d,   %d,%d,%d,%f  ,%d,%d,%d,%d,%d,%d,%d,%d,"
        "%d,%d,%d,%d,%d,%d,%d,%d,%d,%d, %d,'%q',?);",
        r.nTaskID, r.nSubTaskID, r.szName, r.szFilename, r.szNewFilename, static_cast<long long>(r.llFileSize),
        r.nFacePicState, r.nState, r.nFrame, r.tmBegin, r.tmEnd, r.fSpeed, r.nNVCount, r.nSFCount, r.nBBCount,
        r.nCFCount, r.nCBCount, r.nMSCCount, r.nNA1Count, r.nNA2Count, r.nNA3Count, r.nNA4Count, r.nAL1Count,
        r.nAL2Count, r.nAL3Count, r.nAL4Count, r.nAH1Count, r.nAH2Count, r.nAH3Count, r.nAH4Count, r.nFmtError,
        r.szFEDesc);
    if (!ExecBlob(sql, PictureOrNull(r.pFaceImage, r.nFaceImageSize), r.nFaceImageSize))
        return false;
    newId = GetLastInsertId();
    return true;
}

bool CSqliteDb::SetResultFmtError(int nID, int verdict)
{
    return Exec(SqlPrintf("update Results set nFmtError=%d,szFEDesc='' where nID=%d", verdict, nID));
}

bool CSqliteDb::SetResultState(int nID, int state)
{
    return Exec(SqlPrintf("update Results set nState=%d where nID=%d", state, nID));
}

bool CSqliteDb::UpdateResultEnd(int nID, int tmEnd, double fSpeed, int nFrame, const ResultInfo_t& c)
{
    return Exec(SqlPrintf(
        "update Results set tmEnd=%d,fSpeed=%f,nFrame=%d,nNVCount=%d,nSFCount=%d,nBBCount=%d,nCFCount=%d,nCBCount=%d,"
        "nMSCCount=%d,nNA1Count=%d,nNA2Count=%d,nNA3Count=%d,nNA4Count=%d,nAL1Count=%d,nAL2Count=%d,nAL3Count=%d,"
        "nAL4Count=%d,nAH1Count=%d,nAH2Count=%d,nAH3Count=%d,nAH4Count=%d where nID=%d",
        tmEnd, fSpeed, nFrame, c.nNVCount, c.nSFCount, c.nBBCount, c.nCFCount, c.nCBCount, c.nMSCCount, c.nNA1Count,
        c.nNA2Count, c.nNA3Count, c.nNA4Count, c.nAL1Count, c.nAL2Count, c.nAL3Count, c.nAL4Count, c.nAH1Count,
        c.nAH2Count, c.nAH3Count, c.nAH4Count, nID));
}

bool CSqliteDb::DeleteResult(int nID)
{
    return RunInTransaction([&] { return Exec(SqlPrintf("delete from Results  where nID=%d", nID)); });
}

bool CSqliteDb::InsertFault(const FaultInfo_t& f, const uint8_t* image, int length)
{
    return ExecBlob(SqlPrintf("insert into Faults  Values (NULL,%d,%d,%d,%d,%d,%d,%d,?);", f.nResultID, f.nFault,
                              f.nValue, f.tmBegin, f.tmEnd, f.nImageWidth, f.nImageHeight),
                    PictureOrNull(image, length), length);
}

bool CSqliteDb::AddFault(const FaultInfo_t& f, int newCount)
{
    return RunInTransaction([&] {
        int length = f.pImage ? f.nBitCount * f.nImageWidth * f.nImageHeight / 8 : 0;
        if (!InsertFault(f, f.pImage, length))
            return false;
        const char* column = FaultCounterColumn(f.nFault);
        return !column || Exec(SqlPrintf("update Results set %s=%d where nID=%d", column, newCount, f.nResultID));
    });
}

bool CSqliteDb::AddSyntaxErr(int nResultID, const char* szType, const char* szName, const char* szVaildValue1,
                             const char* szVaildValue2, const char* szRealValue)
{
    return Exec(SqlPrintf("insert into SyntaxErr (nResultID,szType,szName,szVaildValue1,szVaildValue2,szRealValue)  "
                          "Values (%d,'%q','%q','%q','%q','%q');",
                          nResultID, szType, szName, szVaildValue1, szVaildValue2, szRealValue));
}

bool CSqliteDb::AddMediaInfo(int nResultID, int nType, const char* szFeature, const char* szValue)
{
    return Exec(SqlPrintf("insert into MediaInfo  Values (NULL,%d,%d,'%q','%q');", nResultID, nType, szFeature, szValue));
}

bool CSqliteDb::FindPendingSubTask(const std::string& path, int64_t llFileSize)
{
    if (!Query(SqlPrintf("select * from SubTasks  where (szFilename = '%q' or szName = '%q') and llFileSize=%lld and "
                         "nState=0",
                         path.c_str(), BaseName(path).c_str(), static_cast<long long>(llFileSize))))
        return false;
    bool found = Step() == SQLITE_ROW;
    EndQuery();
    return found;
}

}  // namespace quarvik
