// What quarvik-check reports of one checked input, and its two output formats.
// The check fills a FileReport (shape); a formatter writes it (format) to a stream
// (destination), so text and JSON always show the same data.
#pragma once

#include "CheckNotify.h"
#include "FaultKinds.h"
#include "Loudness.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace quarvik {

struct EventRecord {
    int32_t code;
    int32_t begin;  // check frames
    int32_t end;
    int32_t value;  // dBFS for sound codes, 0 for picture codes
    SoundChannel_t channel;  // sound codes: the channel (codes 16-21 name theirs)
};

struct DeviationRecord {
    std::string level;  // "General", "Video", "Audio"
    std::string name;   // the property
    std::string value1;
    std::string value2;
    std::string realValue;
};

struct FileReport {
    std::string path;
    bool opened = false;
    bool duplicate = false;  // stored checks: already in the task list, not checked again
    bool interrupted = false;  // stopped before the end: the events are those found until then
    int32_t frames = 0;     // pictures analysed
    double speedFps = 0.0;  // pictures per second of wall-clock time
    std::vector<EventRecord> events;
    // Stored checks only (resultId > 0): the format verdict (0 not checked, 1 invalid,
    // 2 valid) and its deviations.
    int32_t resultId = 0;
    int32_t formatVerdict = 0;
    std::vector<DeviationRecord> deviations;
    std::string reportFolder;  // --report: the folder its report was written into
    // Programme loudness; none for a file without sound. The verdict is the one of the
    // loudness settings (not judged unless they enable it).
    std::optional<LoudnessInfo_t> loudness;
    int32_t loudnessVerdict = kLoudnessNotJudged;
    // The material's own clock; none when its time codes read like the check frames.
    std::optional<MaterialClock> clock;
    // Stored checks: empty when everything found is stored, else "could not store ...".
    std::string storeError;
};

// Collects the fault notices of one check into a FileReport.
class ReportCollector : public ICheckResultSink {
public:
    explicit ReportCollector(FileReport& report) : m_report(report) {}
    void OnFaultNotice(const ResultNotify_t& notice) override;
    void OnCheckFinished(const ResultNotify_t&) override { m_report.opened = true; }
    void OnOpenFailed(const ResultNotify_t&) override { m_report.opened = false; }
    void OnLoudness(int32_t, int32_t, const LoudnessInfo_t& loudness) override { m_report.loudness = loudness; }
    void OnMaterialClock(int32_t, int32_t, const MaterialClock& clock) override { m_report.clock = clock; }

private:
    FileReport& m_report;
};

// The events that fail the input (FailsResult): every event but the warnings.
size_t FailingEventCount(const FileReport& report);

void WriteTextReport(std::ostream& out, const FileReport& report);
void WriteJsonReport(std::ostream& out, const std::vector<FileReport>& reports);

// Text as a JSON string literal, quotes included; bytes that are not UTF-8 become U+FFFD.
std::string JsonString(const std::string& text);

// Text for a line of the text output: control characters and line separators are escaped
// ("\n", "\t", "\x1B", "\u0085", "\u2028", and "\\" for the backslash itself), so that
// a name or path with a line feed in it still takes one line and reads back unambiguously.
std::string LineText(std::string_view text);

}  // namespace quarvik
