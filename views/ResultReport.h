// The single-result report: a folder with "index.html" (media information, format check,
// content check and programme loudness of one result, in GBK), "images/<i>.bmp", the 80 x 60
// picture of fault i, and "images/loudness.bmp", the short-term loudness graph.
//
// The writer takes plain records; StoredReport.h fills them from the task database. It draws
// pictures, so it needs a QGuiApplication (GuiApp.h) on the calling thread.
#pragma once

#include "LoudnessDb.h"
#include "MaterialClock.h"
#include "ReportOutcome.h"
#include "TaskQueries.h"
#include "TaskRecords.h"

#include <optional>
#include <array>
#include <string>
#include <vector>

namespace quarvik {

struct ResultReport {
    ResultInfo_t result;  // its szNewFilename is the "FileName" row: the material played back
    std::vector<MediaInfoRow> media;       // in display order
    std::vector<SyntaxErrRow> deviations;  // shown when the format verdict is invalid
    // Shown unless the format verdict is invalid. A snapshot (pImage, nImageWidth,
    // nImageHeight, nBitCount 24) is borrowed and must stay valid during the write.
    std::vector<FaultInfo_t> faults;
    // The channel of each sound fault, by the index of faults (shorter when not known).
    std::vector<SoundChannel_t> faultChannels;
    // The channel name of fault i as its event name and picture show it; empty for a picture.
    std::string FaultChannelName(size_t i) const;
    // The programme loudness; none: the section says it was not measured.
    std::optional<LoudnessRow> loudness;
    // The material's own clock; none when its time codes read like the check frames.
    std::optional<MaterialClock> clock;
};

// The loudness graph's picture file in "images", and its size.
inline constexpr char kLoudnessGraphFile[] = "loudness.bmp";
inline constexpr int kLoudnessGraphWidth = 600;
inline constexpr int kLoudnessGraphHeight = 160;
// The texts of a fault event as the detail list and the report show them: start, end and
// length as time codes, and the kind's name (with the channel of a sound event beyond the first
// two). With the material's own clock, start and end also give the material's time code:
// "00:00:20.00 (10:00:20:00)".
std::array<std::string, 4> FaultEventTexts(const FaultInfo_t& fault, const std::optional<MaterialClock>& clock = {},
                                           const std::string& channel = {});
// What the material's time codes in brackets are: "括号内为素材时码: 29.97 fps, 起始 10:00:00:00".
std::string MaterialClockNote(const MaterialClock& clock);
// The texts of a format deviation: "type.name", first and second valid value (a single space
// when the second is empty) and the actual value.
std::array<std::string, 4> DeviationTexts(const SyntaxErrRow& row);

// True when the content section lists the faults, each with its picture file.
bool ReportListsFaults(const ResultReport& report);
// True when one of the faults fails the result (FailsResult): warnings alone leave the
// content clean, listed below its clean verdict.
bool ReportHasFailures(const ResultReport& report);

// The page as UTF-8 text; every stored text in it is HTML-escaped.
std::string ResultReportHtml(const ResultReport& report);

// Writes the report into folder (which must exist): creates "images" (an existing one is
// fine), replaces "index.html" and the fault pictures. A picture that cannot be written is
// skipped and the page written all the same; a page written short keeps what it got. Either
// makes the outcome fail with the first reason.
ReportOutcome WriteResultReport(const std::string& folder, const ResultReport& report);

}  // namespace quarvik
