#include "TaskQueries.h"

#include "FaultChannelDb.h"
#include "FaultCountsDb.h"
#include "FaultKinds.h"
#include "LoadRows.h"
#include "SqlText.h"

#include <cstring>

namespace quarvik {
namespace {

constexpr int kFirstCounterColumn = 13;

// Copies a blob column; returns its size.
int32_t CopyBlob(CSqliteDb& db, int col, std::vector<uint8_t>& out)
{
    const void* data = nullptr;
    int bytes = 0;
    out.clear();
    if (db.GetBlob(col, data, bytes) && data && bytes > 0) {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        out.assign(p, p + bytes);
    }
    return static_cast<int32_t>(out.size());
}

// SubTasks columns in schema order.
void FillSubTask(CSqliteDb& db, SubTaskRow& row)
{
    SubTaskInfo_t& s = row.info;
    db.GetInt(0, s.nID);
    db.GetInt(1, s.nTaskID);
    db.GetString(2, s.szName);
    db.GetString(3, s.szFilename);
    db.GetString(4, s.szNewFilename);
    db.GetInt64(5, s.llFileSize);
    db.GetInt(6, s.nFacePicState);
    db.GetInt(7, s.nState);
    db.GetInt(8, s.nType);
    db.GetString(9, s.szSmgIP);
    db.GetString(10, s.szPolicy);
    s.nFaceImageSize = CopyBlob(db, 11, row.faceImage);
}

// Results columns in schema order; the face picture is the last, when selected.
void FillResult(CSqliteDb& db, ResultRow& row, FacePictures faces)
{
    ResultInfo_t& r = row.info;
    db.GetInt(0, r.nID);
    db.GetInt(1, r.nTaskID);
    db.GetInt(2, r.nSubTaskID);
    db.GetString(3, r.szName);
    db.GetString(4, r.szFilename);
    db.GetString(5, r.szNewFilename);
    db.GetInt64(6, r.llFileSize);
    db.GetInt(7, r.nFacePicState);
    db.GetInt(8, r.nState);
    db.GetInt(9, r.nFrame);
    db.GetInt(10, r.tmBegin);
    db.GetInt(11, r.tmEnd);
    db.GetDouble(12, r.fSpeed);
    int col = kFirstCounterColumn;
    for (const ResultCounterColumn& counter : kResultCounterColumns)
        db.GetInt(col++, r.*counter.field);
    db.GetInt(31, r.nFmtError);
    db.GetString(32, r.szFEDesc);
    if (faces == FacePictures::kWith)
        r.nFaceImageSize = CopyBlob(db, 33, row.faceImage);
}

// Every Results column but the face picture: SQLite reads a row's blob whenever the statement
// names its column, so a query without it skips the picture pages.
constexpr const char* kResultColumnsWithoutFace =
    "nID,nTaskID,nSubTaskID,szName,szFilename,szNewFilename,llFileSize,nFacePicState,nState,nFrame,tmBegin,tmEnd,"
    "fSpeed,nNVCount,nSFCount,nBBCount,nCFCount,nCBCount,nMSCCount,nNA1Count,nNA2Count,nNA3Count,nNA4Count,"
    "nAL1Count,nAL2Count,nAL3Count,nAL4Count,nAH1Count,nAH2Count,nAH3Count,nAH4Count,nFmtError,szFEDesc";

// "select * from Results <condition>", with or without the face pictures.
std::vector<ResultRow> LoadResults(CSqliteDb& db, const std::string& condition, FacePictures faces)
{
    const std::string columns = faces == FacePictures::kWith ? "*" : kResultColumnsWithoutFace;
    std::vector<ResultRow> rows = LoadRows<ResultRow>(db, "select " + columns + " from Results " + condition,
                                                      [faces](CSqliteDb& d, ResultRow& row) { FillResult(d, row, faces); });
    std::vector<ResultInfo_t*> infos;
    for (ResultRow& row : rows)
        infos.push_back(&row.info);
    LoadFaultCounts(db, infos);
    return rows;
}

// The face picture of row nID of table; false when the row or its picture is missing.
bool LoadFaceImage(CSqliteDb& db, const char* table, int nID, std::vector<uint8_t>& pixels)
{
    std::vector<std::vector<uint8_t>> rows = LoadRows<std::vector<uint8_t>>(
        db, SqlPrintf("select blobFaceImage from %s where nID=%d", table, nID),
        [](CSqliteDb& d, std::vector<uint8_t>& out) { CopyBlob(d, 0, out); }, 1);
    if (rows.empty() || rows.front().empty())
        return false;
    pixels = std::move(rows.front());
    return true;
}

}  // namespace

int32_t* ResultCounter(ResultInfo_t& result, int32_t kind)
{
    if (CountsInFaultCounts(kind))
        return &result.nKindCounts[kind];
    const char* column = FaultCounterColumn(kind);
    for (const ResultCounterColumn& counter : kResultCounterColumns) {
        if (column && std::strcmp(counter.column, column) == 0)
            return &(result.*counter.field);
    }
    return nullptr;
}

int32_t ResultCount(const ResultInfo_t& result, int32_t kind)
{
    const int32_t* counter = ResultCounter(const_cast<ResultInfo_t&>(result), kind);
    return counter ? *counter : 0;
}

std::vector<SubTaskRow> LoadUnfinishedSubTasks(CSqliteDb& db, int nTaskID)
{
    std::string sql = nTaskID == -1
                          ? SqlPrintf("select * from SubTasks where nTaskID=-1 and nState!=%d ", kSubTaskDone)
                          : SqlPrintf("select * from SubTasks where nTaskID=%d and nState!=%d ", nTaskID, kSubTaskDone);
    return LoadRows<SubTaskRow>(db, sql, FillSubTask);
}

int32_t LatestCheckBegin(CSqliteDb& db, int nTaskID, int nSubTaskID)
{
    int32_t begin = 0;
    if (db.Query(SqlPrintf("select max(tmBegin) from Results where nTaskID=%d and nSubTaskID=%d", nTaskID, nSubTaskID)) &&
        db.Step() == SQLITE_ROW)
        db.GetInt(0, begin);
    db.EndQuery();
    return begin;
}

bool LoadSubTask(CSqliteDb& db, int nID, SubTaskRow& row)
{
    std::vector<SubTaskRow> rows = LoadRows<SubTaskRow>(db, SqlPrintf("select * from SubTasks where nID=%d", nID), FillSubTask, 1);
    if (rows.empty())
        return false;
    row = std::move(rows.front());
    return true;
}

bool LoadResultById(CSqliteDb& db, int nID, ResultRow& row)
{
    std::vector<ResultRow> rows = LoadResults(db, SqlPrintf("where nID=%d", nID), FacePictures::kWith);
    if (rows.empty())
        return false;
    row = std::move(rows.front());
    return true;
}

bool LoadSubTaskFaceImage(CSqliteDb& db, int nID, std::vector<uint8_t>& pixels)
{
    return LoadFaceImage(db, "SubTasks", nID, pixels);
}

std::vector<ResultRow> LoadResultsBetween(CSqliteDb& db, int from, int to, bool newestFirst, FacePictures faces)
{
    return LoadResults(db,
                       newestFirst ? SqlPrintf("where tmBegin >=%d and tmBegin <=%d order by tmBegin desc", from, to)
                                   : SqlPrintf("where tmBegin >=%d and tmBegin <=%d", from, to),
                       faces);
}

std::vector<ResultRow> LoadResultsByName(CSqliteDb& db, const std::string& namePart, FacePictures faces)
{
    return LoadResults(db, SqlPrintf("where szName like '%%%q%%' order by tmBegin desc", namePart.c_str()), faces);
}

bool LoadResultFaceImage(CSqliteDb& db, int nID, std::vector<uint8_t>& pixels)
{
    return LoadFaceImage(db, "Results", nID, pixels);
}

bool DeleteResultFromHistory(CSqliteDb& db, int nID)
{
    return db.Exec(SqlPrintf("DELETE FROM Results WHERE nID=%d", nID));
}

std::vector<FaultRow> LoadFaults(CSqliteDb& db, int nResultID)
{
    const std::map<int32_t, SoundChannel_t> channels = LoadFaultChannels(db, nResultID);
    return LoadRows<FaultRow>(
        db,
        SqlPrintf("select nFault,nValue,tmBegin,tmEnd,blobFaultImage,nImageWidth,nImageHeight,nID from Faults where "
                  "nResultID=%d order by nID",
                  nResultID),
        [nResultID, &channels](CSqliteDb& d, FaultRow& row) {
            row.info.nResultID = nResultID;
            d.GetInt(0, row.info.nFault);
            d.GetInt(1, row.info.nValue);
            d.GetInt(2, row.info.tmBegin);
            d.GetInt(3, row.info.tmEnd);
            CopyBlob(d, 4, row.image);
            d.GetInt(5, row.info.nImageWidth);
            d.GetInt(6, row.info.nImageHeight);
            int32_t id = 0;
            d.GetInt(7, id);
            const auto found = channels.find(id);
            row.channel = found != channels.end() ? found->second : KnownSoundChannel(row.info.nFault);
        });
}

std::vector<SyntaxErrRow> LoadSyntaxErrs(CSqliteDb& db, int nResultID)
{
    return LoadRows<SyntaxErrRow>(
        db,
        SqlPrintf("select szType,szName,szVaildValue1,szVaildValue2,szRealValue from SyntaxErr where nResultID=%d "
                  "order by nID",
                  nResultID),
        [](CSqliteDb& d, SyntaxErrRow& row) {
            d.GetString(0, row.szType);
            d.GetString(1, row.szName);
            d.GetString(2, row.szVaildValue1);
            d.GetString(3, row.szVaildValue2);
            d.GetString(4, row.szRealValue);
        });
}

std::vector<MediaInfoRow> LoadMediaInfo(CSqliteDb& db, int nResultID)
{
    return LoadRows<MediaInfoRow>(db,
                                  SqlPrintf("select szFeature,szValue,nType from MediaInfo where nResultID=%d ", nResultID),
                                  [](CSqliteDb& d, MediaInfoRow& row) {
                                      d.GetString(0, row.szFeature);
                                      d.GetString(1, row.szValue);
                                      d.GetInt(2, row.nType);
                                  });
}

std::vector<FaultSpan> LoadFaultSpans(CSqliteDb& db, int nResultID)
{
    return LoadRows<FaultSpan>(db,
                               SqlPrintf("select nID,nFault,tmBegin,tmEnd from Faults where nResultID=%d order by nID",
                                         nResultID),
                               [](CSqliteDb& d, FaultSpan& span) {
                                   d.GetInt(0, span.nID);
                                   d.GetInt(1, span.nFault);
                                   d.GetInt(2, span.tmBegin);
                                   d.GetInt(3, span.tmEnd);
                               });
}

}  // namespace quarvik
