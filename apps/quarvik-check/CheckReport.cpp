#include "CheckReport.h"

#include "FaultKinds.h"
#include "FileDisplay.h"

#include <algorithm>
#include <cstdio>

namespace quarvik {
namespace {

// Length of the valid UTF-8 sequence at text[i], 0 when the bytes there are not one.
size_t Utf8SequenceLength(const std::string& text, size_t i)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3
                                                                : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

// A figure as a JSON number with one decimal, null without a value.
std::string JsonFigure(double figure)
{
    return HasLoudnessValue(figure) ? LoudnessFigureText(figure) : "null";
}

const char* VerdictName(int32_t verdict)
{
    switch (verdict) {
    case kLoudnessPassed: return "passed";
    case kLoudnessFailed: return "failed";
    default: return "not_judged";
    }
}

void WriteJsonLoudness(std::ostream& out, const LoudnessInfo_t& l, int32_t verdict)
{
    out << "{\"integrated\":" << JsonFigure(l.fIntegrated) << ",\"range\":" << JsonFigure(l.fRange)
        << ",\"true_peak\":" << JsonFigure(l.fTruePeak) << ",\"max_momentary\":" << JsonFigure(l.fMaxMomentary)
        << ",\"max_short_term\":" << JsonFigure(l.fMaxShortTerm) << ",\"verdict\":\"" << VerdictName(verdict)
        << "\",\"short_term\":[";
    for (size_t i = 0; i < l.shortTerm.size(); ++i)
        out << (i ? "," : "") << JsonFigure(l.shortTerm[i]);
    out << "]}";
}

}  // namespace

void ReportCollector::OnFaultNotice(const ResultNotify_t& notice)
{
    SoundChannel_t channel{notice.nTrack, notice.nChannel, notice.szChannel};
    if (channel.nTrack <= 0)
        channel = KnownSoundChannel(notice.nFault);
    m_report.events.push_back({notice.nFault, notice.tmBegin, notice.tmEnd, notice.nValue, channel});
}

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
            out += escaped;
            ++i;
        } else if (size_t length = Utf8SequenceLength(text, i)) {
            out.append(text, i, length);
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out + "\"";
}

std::string LineText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    const auto byte = [&](size_t k) -> unsigned { return k < text.size() ? static_cast<unsigned char>(text[k]) : 0u; };
    char code[8];
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned c = byte(i);
        const char* named = c == '\\' ? "\\\\" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : c == '\t' ? "\\t" : nullptr;
        if (named) {
            out += named;
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(code, sizeof(code), "\\x%02X", c);
            out += code;
        } else if (c == 0xC2 && byte(i + 1) >= 0x80 && byte(i + 1) <= 0x9F) {
            // C1 controls (U+0080-U+009F), the next line character U+0085 among them.
            std::snprintf(code, sizeof(code), "\\u%04X", byte(++i));
            out += code;
        } else if (c == 0xE2 && byte(i + 1) == 0x80 && (byte(i + 2) == 0xA8 || byte(i + 2) == 0xA9)) {
            // The line and paragraph separators U+2028, U+2029.
            std::snprintf(code, sizeof(code), "\\u%04X", 0x2000 + byte(i + 2) - 0x80);
            out += code;
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

size_t FailingEventCount(const FileReport& report)
{
    return static_cast<size_t>(std::count_if(report.events.begin(), report.events.end(),
                                             [](const EventRecord& e) { return FailsResult(e.code); }));
}

void WriteTextReport(std::ostream& out, const FileReport& report)
{
    out << LineText(DisplayFileName(report.path)) << '\n';
    if (report.duplicate) {
        out << "  ignored: already in the task list\n";
        return;
    }
    if (!report.opened) {
        out << "  could not open: not a readable media file or stream\n";
        return;
    }
    if (!report.storeError.empty() && report.frames == 0 && report.events.empty()) {
        out << "  " << report.storeError << '\n';  // not checked: there was nowhere to store it
        return;
    }
    if (report.clock)
        out << "  time code: " << report.clock->RateText() << " fps from "
            << (report.clock->startTimeCode.empty() ? "00:00:00:00" : report.clock->startTimeCode) << '\n';
    for (const EventRecord& e : report.events) {
        char line[160];
        std::snprintf(line, sizeof(line), "  %3d %-12s %7d %7d  %s - %s", e.code,
                      FaultEventName(e.code, e.channel.name).c_str(), e.begin, e.end, CheckFrameTimeCode(e.begin).c_str(),
                      CheckFrameTimeCode(e.end).c_str());
        out << line;
        if (report.clock)
            out << "  [" << report.clock->TimeCodeAt(e.begin) << " - " << report.clock->TimeCodeAt(e.end) << ']';
        if (!IsPictureFault(e.code))
            out << "  " << e.value << " dBFS";
        if (!FailsResult(e.code))
            out << "  warning";
        out << '\n';
    }
    if (report.loudness) {
        out << "  响度: " << LoudnessSummaryText(*report.loudness);
        if (report.loudnessVerdict != kLoudnessNotJudged)
            out << "  " << LoudnessVerdictText(report.loudnessVerdict);
        out << '\n';
    }
    if (report.formatVerdict != 0)
        out << "  format " << (report.formatVerdict == 2 ? "valid" : "invalid") << '\n';
    for (const DeviationRecord& d : report.deviations) {
        out << "  deviation " << LineText(d.level) << ' ' << LineText(d.name) << ": " << LineText(d.realValue)
            << " (allowed " << LineText(d.value1) << (d.value2.empty() ? "" : " .. ") << LineText(d.value2) << ")\n";
    }
    if (report.interrupted)
        out << "  interrupted: the check stopped before the end of the input\n";
    if (!report.storeError.empty())
        out << "  " << report.storeError << '\n';
    else if (report.resultId > 0)
        out << "  stored as result " << report.resultId << '\n';
    if (!report.reportFolder.empty())
        out << "  report " << LineText(report.reportFolder) << '\n';
    const size_t warnings = report.events.size() - FailingEventCount(report);
    char summary[128];
    std::snprintf(summary, sizeof(summary), "  %zu fault events%s, %d frames analysed, %.1f fps\n", report.events.size(),
                  warnings ? (" (" + std::to_string(warnings) + " warnings)").c_str() : "", report.frames,
                  report.speedFps);
    out << summary;
}

void WriteJsonReport(std::ostream& out, const std::vector<FileReport>& reports)
{
    out << "{\"files\":[";
    for (size_t f = 0; f < reports.size(); ++f) {
        const FileReport& r = reports[f];
        char numbers[96];
        std::snprintf(numbers, sizeof(numbers), "\"frames\":%d,\"speed_fps\":%.1f", r.frames,
                      r.speedFps);
        out << (f ? "," : "") << "{\"path\":" << JsonString(DisplayFileName(r.path))
            << ",\"opened\":" << (r.opened ? "true" : "false") << ',' << numbers
            << (r.duplicate ? ",\"duplicate\":true" : "") << (r.interrupted ? ",\"interrupted\":true" : "")
            << (r.storeError.empty() ? "" : ",\"store_error\":" + JsonString(r.storeError))
            << ",\"events\":[";
        for (size_t i = 0; i < r.events.size(); ++i) {
            const EventRecord& e = r.events[i];
            out << (i ? "," : "") << "{\"code\":" << e.code
                << ",\"name\":" << JsonString(FaultEventName(e.code, e.channel.name)) << ",\"begin\":" << e.begin
                << ",\"end\":" << e.end << ",\"value\":" << e.value;
            if (!FailsResult(e.code))
                out << ",\"warning\":true";
            if (e.channel.nTrack > 0)
                out << ",\"track\":" << e.channel.nTrack << ",\"channel\":" << e.channel.nChannel
                    << ",\"channel_name\":" << JsonString(e.channel.name);
            if (r.clock)
                out << ",\"time_code_begin\":" << JsonString(r.clock->TimeCodeAt(e.begin))
                    << ",\"time_code_end\":" << JsonString(r.clock->TimeCodeAt(e.end));
            out << '}';
        }
        out << ']';
        if (r.clock)
            out << ",\"material_clock\":{\"rate\":" << JsonString(r.clock->RateText())
                << ",\"start\":" << JsonString(r.clock->startTimeCode) << '}';
        if (r.opened) {
            out << ",\"loudness\":";
            if (r.loudness)
                WriteJsonLoudness(out, *r.loudness, r.loudnessVerdict);
            else
                out << "null";
        }
        if (r.resultId > 0) {
            out << ",\"result_id\":" << r.resultId << ",\"format\":" << r.formatVerdict
                << ",\"deviations\":[";
            for (size_t i = 0; i < r.deviations.size(); ++i) {
                const DeviationRecord& d = r.deviations[i];
                out << (i ? "," : "") << "{\"level\":" << JsonString(d.level)
                    << ",\"name\":" << JsonString(d.name) << ",\"value1\":" << JsonString(d.value1)
                    << ",\"value2\":" << JsonString(d.value2)
                    << ",\"real\":" << JsonString(d.realValue) << '}';
            }
            out << ']';
            if (!r.reportFolder.empty())
                out << ",\"report\":" << JsonString(r.reportFolder);
        }
        out << '}';
    }
    out << "]}\n";
}

}  // namespace quarvik
