// Reading task.db into its records, and the history's own delete. Each helper runs one of the
// database's statements on an opened connection (OpenTaskDb); an unopened database or a
// failing query gives no rows (or false).
//
// Pictures are copied out of SQLite into the row's vector. The record's picture pointer is
// left null (its size is set): point it at the vector while the row lives, so that copying
// a row never leaves a pointer into another row's memory.
#pragma once

#include "SqliteDb.h"
#include "FaultKinds.h"
#include "TaskRecords.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quarvik {

struct SubTaskRow {
    SubTaskInfo_t info;
    std::vector<uint8_t> faceImage;
};

struct ResultRow {
    ResultInfo_t info;
    std::vector<uint8_t> faceImage;
};

// A stored fault event: the selected columns fill nFault, nValue, tmBegin, tmEnd, nResultID
// and the snapshot geometry the check stored beside the pixels.
struct FaultRow {
    FaultInfo_t info;
    std::vector<uint8_t> image;
    SoundChannel_t channel;  // sound events: the channel, when known
};

struct SyntaxErrRow {
    std::string szType;
    std::string szName;
    std::string szVaildValue1;
    std::string szVaildValue2;
    std::string szRealValue;
};

struct MediaInfoRow {
    std::string szFeature;
    std::string szValue;
    int32_t nType = 0;  // the MediaInfo level of the property
};

struct FaultSpan {
    int32_t nID;
    int32_t nFault;
    int32_t tmBegin;
    int32_t tmEnd;
};

// The Results counter columns (13..30, in schema order) with their fields.
struct ResultCounterColumn {
    const char* column;
    int32_t ResultInfo_t::*field;
};
inline constexpr ResultCounterColumn kResultCounterColumns[] = {
    {"nNVCount", &ResultInfo_t::nNVCount},   {"nSFCount", &ResultInfo_t::nSFCount},   {"nBBCount", &ResultInfo_t::nBBCount},
    {"nCFCount", &ResultInfo_t::nCFCount},   {"nCBCount", &ResultInfo_t::nCBCount},   {"nMSCCount", &ResultInfo_t::nMSCCount},
    {"nNA1Count", &ResultInfo_t::nNA1Count}, {"nNA2Count", &ResultInfo_t::nNA2Count}, {"nNA3Count", &ResultInfo_t::nNA3Count},
    {"nNA4Count", &ResultInfo_t::nNA4Count}, {"nAL1Count", &ResultInfo_t::nAL1Count}, {"nAL2Count", &ResultInfo_t::nAL2Count},
    {"nAL3Count", &ResultInfo_t::nAL3Count}, {"nAL4Count", &ResultInfo_t::nAL4Count}, {"nAH1Count", &ResultInfo_t::nAH1Count},
    {"nAH2Count", &ResultInfo_t::nAH2Count}, {"nAH3Count", &ResultInfo_t::nAH3Count}, {"nAH4Count", &ResultInfo_t::nAH4Count},
};

// The result's counter of a fault kind (the column the fault vocabulary names, or its
// FaultCounts counter); nullptr, or 0, for a kind that counts nowhere.
int32_t* ResultCounter(ResultInfo_t& result, int32_t kind);
int32_t ResultCount(const ResultInfo_t& result, int32_t kind);

// Sub-tasks of a task (nTaskID -1: the manual check list) that are not finished (state 12),
// in the order the database returns them.
std::vector<SubTaskRow> LoadUnfinishedSubTasks(CSqliteDb& db, int nTaskID);
// When the latest check of a sub-task began (seconds since 1970); 0 when it has none.
int32_t LatestCheckBegin(CSqliteDb& db, int nTaskID, int nSubTaskID);
// One SubTasks row by id, with its face picture; false when there is none.
bool LoadSubTask(CSqliteDb& db, int nID, SubTaskRow& row);
// One Results row by id, with its face picture; false when there is none.
bool LoadResultById(CSqliteDb& db, int nID, ResultRow& row);
// The face picture of a sub-task; false when the row or its picture is missing.
bool LoadSubTaskFaceImage(CSqliteDb& db, int nID, std::vector<uint8_t>& pixels);

// Whether Results rows come with their face pictures. Without, a row's nFaceImageSize is 0 and
// the picture is read when it is needed (LoadResultFaceImage): a year of history lists fast.
enum class FacePictures { kWith, kWithout };

// Results begun within [from, to] (seconds since 1970), in stored order (the day's list) or
// newest first (the history).
std::vector<ResultRow> LoadResultsBetween(CSqliteDb& db, int from, int to, bool newestFirst,
                                          FacePictures faces = FacePictures::kWith);
// Results whose name contains namePart (SQL LIKE: '%' and '_' in it match anything), newest first.
std::vector<ResultRow> LoadResultsByName(CSqliteDb& db, const std::string& namePart,
                                         FacePictures faces = FacePictures::kWith);
// The face picture of a result; false when the row or its picture is missing.
bool LoadResultFaceImage(CSqliteDb& db, int nID, std::vector<uint8_t>& pixels);
// The history's delete: one statement outside a transaction; the trigger removes the details.
bool DeleteResultFromHistory(CSqliteDb& db, int nID);

std::vector<FaultRow> LoadFaults(CSqliteDb& db, int nResultID);
std::vector<SyntaxErrRow> LoadSyntaxErrs(CSqliteDb& db, int nResultID);
std::vector<MediaInfoRow> LoadMediaInfo(CSqliteDb& db, int nResultID);
std::vector<FaultSpan> LoadFaultSpans(CSqliteDb& db, int nResultID);

}  // namespace quarvik
