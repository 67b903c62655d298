#include "StoredReport.h"

#include "FaultBitmap.h"
#include "LoadRows.h"
#include "SqlText.h"

#include <algorithm>
#include <filesystem>

namespace quarvik {

bool LoadStoredResult(CSqliteDb& db, int nResultID, ResultRow& row)
{
    return LoadResultById(db, nResultID, row);
}

bool LoadResultReport(CSqliteDb& db, int nResultID, StoredResultReport& out)
{
    ResultRow row;
    if (!LoadStoredResult(db, nResultID, row))
        return false;
    out.report.result = row.info;
    out.report.media = LoadMediaInfo(db, nResultID);
    out.report.deviations = LoadSyntaxErrs(db, nResultID);
    LoadFaultsOf(db, nResultID, out);
    return true;
}

void LoadFaultsOf(CSqliteDb& db, int nResultID, StoredResultReport& out)
{
    out.faultRows = LoadFaults(db, nResultID);
    LoudnessRow loudness;
    if (LoadLoudness(db, nResultID, loudness))
        out.report.loudness = std::move(loudness);
    else
        out.report.loudness.reset();
    out.report.faults.clear();
    constexpr size_t kSnapshotBytes = kSnapshotWidth * kSnapshotHeight * 3;
    for (FaultRow& fault : out.faultRows) {
        FaultInfo_t info = fault.info;
        if (fault.image.size() >= kSnapshotBytes) {
            info.nBitCount = 24;
            info.nImageWidth = kSnapshotWidth;
            info.nImageHeight = kSnapshotHeight;
            info.pImage = fault.image.data();
        }
        out.report.faults.push_back(info);
    }
}

std::vector<ResultInfo_t> BorrowResultInfos(const std::vector<ResultRow>& rows)
{
    std::vector<ResultInfo_t> infos;
    infos.reserve(rows.size());
    for (const ResultRow& row : rows) {
        ResultInfo_t info = row.info;
        info.pFaceImage = row.faceImage.empty() ? nullptr : row.faceImage.data();
        info.nFaceImageSize = static_cast<int32_t>(row.faceImage.size());
        infos.push_back(info);
    }
    return infos;
}

std::string ReportFolderName(const ResultInfo_t& result)
{
    std::string name = result.szName;
    std::replace(name.begin(), name.end(), '/', '_');
    if (name.empty() || name == "." || name == "..")
        return "result-" + std::to_string(result.nID);
    return name;
}

ReportOutcome WriteStoredResultReport(CSqliteDb& db, int nResultID, const std::string& parentFolder,
                                      std::string* reportFolder)
{
    ReportOutcome outcome;
    StoredResultReport stored;
    if (!LoadResultReport(db, nResultID, stored)) {
        outcome.Fail("no result " + std::to_string(nResultID) + " in the task database");
        return outcome;
    }
    const std::string folder = parentFolder + "/" + ReportFolderName(stored.report.result);
    if (reportFolder)
        *reportFolder = folder;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        outcome.Fail("cannot create folder " + folder + ": " + error.message());
        return outcome;
    }
    return WriteResultReport(folder, stored.report);
}

}  // namespace quarvik
