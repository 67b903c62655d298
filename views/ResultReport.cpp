#include "ResultReport.h"

#include "FaultBitmap.h"
#include "GbkFile.h"
#include "LoudnessView.h"
#include "ReportFiles.h"

namespace quarvik {
namespace {

QImage ReportFaultPicture(const FaultInfo_t& fault, const std::string& channel)
{
    const bool snapshot = fault.pImage && fault.nBitCount == 24 && fault.nImageWidth > 0 && fault.nImageHeight > 0;
    return MakeFaultBitmap(snapshot ? fault.pImage : nullptr, fault.nImageWidth, fault.nImageHeight,
                           kReportPictureWidth, kReportPictureHeight, fault.nValue, true, channel);
}

}  // namespace

ReportOutcome WriteResultReport(const std::string& folder, const ResultReport& report)
{
    ReportOutcome outcome;
    const std::string images = MakeImagesFolder(folder, outcome);
    if (images.empty())
        return outcome;
    GbkFile page;
    if (!page.Open(folder + "/index.html")) {
        outcome.Fail(page.Error());
        return outcome;
    }
    if (ReportListsFaults(report)) {
        for (size_t i = 0; i < report.faults.size(); ++i)
            SaveReportPicture(ReportFaultPicture(report.faults[i], report.FaultChannelName(i)), images, std::to_string(i) + ".bmp", outcome);
    }
    if (report.loudness)
        SaveReportPicture(LoudnessGraphImage(*report.loudness, kLoudnessGraphWidth, kLoudnessGraphHeight), images,
                          kLoudnessGraphFile, outcome);
    if (!page.Write(ResultReportHtml(report)) || !page.Close())
        outcome.Fail(page.Error());
    return outcome;
}

}  // namespace quarvik
