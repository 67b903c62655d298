#include "ResultBundle.h"

#include "FaultChannelDb.h"
#include "FaultCountsDb.h"
#include "MaterialClockDb.h"

namespace quarvik {
namespace {

const uint8_t* PixelsOrNull(const std::vector<uint8_t>& pixels)
{
    return pixels.empty() ? nullptr : pixels.data();
}

}  // namespace

bool LoadResultBundle(CSqliteDb& db, int nResultID, ResultBundle& out)
{
    if (!LoadResultById(db, nResultID, out.result) || !LoadFaultCounts(db, {&out.result.info}))
        return false;
    SubTaskRow subTask;
    if (LoadSubTask(db, out.result.info.nSubTaskID, subTask))
        out.subTask = std::move(subTask);
    else
        out.subTask.reset();
    out.media = LoadMediaInfo(db, nResultID);
    out.deviations = LoadSyntaxErrs(db, nResultID);
    out.faults = LoadFaults(db, nResultID);
    LoudnessRow loudness;
    if (LoadLoudness(db, nResultID, loudness))
        out.loudness = std::move(loudness);
    else
        out.loudness.reset();
    MaterialClock clock;
    if (LoadMaterialClock(db, nResultID, clock))
        out.clock = clock;
    else
        out.clock.reset();
    return true;
}

bool AddResultBundle(CSqliteDb& db, const ResultBundle& bundle, int32_t nTaskID, int& newResultId)
{
    int subTaskId = 0;
    if (bundle.subTask) {
        SubTaskInfo_t subTask = bundle.subTask->info;
        subTask.nTaskID = nTaskID;
        subTask.pFaceImage = PixelsOrNull(bundle.subTask->faceImage);
        subTask.nFaceImageSize = static_cast<int32_t>(bundle.subTask->faceImage.size());
        if (!db.AddSubTask(subTaskId, subTask))
            return false;
    }

    ResultInfo_t result = bundle.result.info;
    result.nTaskID = nTaskID;
    result.nSubTaskID = subTaskId;
    result.pFaceImage = PixelsOrNull(bundle.result.faceImage);
    result.nFaceImageSize = static_cast<int32_t>(bundle.result.faceImage.size());
    if (!db.AddResult(newResultId, result))
        return false;

    for (const MediaInfoRow& m : bundle.media) {
        if (!db.AddMediaInfo(newResultId, m.nType, m.szFeature.c_str(), m.szValue.c_str()))
            return false;
    }
    for (const SyntaxErrRow& e : bundle.deviations) {
        if (!db.AddSyntaxErr(newResultId, e.szType.c_str(), e.szName.c_str(), e.szVaildValue1.c_str(),
                             e.szVaildValue2.c_str(), e.szRealValue.c_str()))
            return false;
    }
    for (const FaultRow& f : bundle.faults) {
        FaultInfo_t fault = f.info;
        fault.nResultID = newResultId;
        // The counters came with the result row; the picture goes over byte for byte.
        if (!db.InsertFault(fault, PixelsOrNull(f.image), static_cast<int>(f.image.size())) ||
            (KnownSoundChannel(f.info.nFault).nTrack == 0 &&
             !AddFaultChannel(db, db.GetLastInsertId(), newResultId, f.channel)))
            return false;
    }
    for (int32_t code = 0; code < kFaultCodeCount; ++code) {
        const int32_t count = bundle.result.info.nKindCounts[code];
        if (CountsInFaultCounts(code) && count > 0 && !StoreFaultCount(db, newResultId, code, count))
            return false;
    }
    return (!bundle.loudness || StoreLoudness(db, newResultId, *bundle.loudness)) &&
           (!bundle.clock || StoreMaterialClock(db, newResultId, *bundle.clock));
}

}  // namespace quarvik
