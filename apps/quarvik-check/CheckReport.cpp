#include "CheckReport.h"

#include "FaultKinds.h"
#include "FileDisplay.h"

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

}  // namespace

void ReportCollector::OnFaultNotice(const ResultNotify_t& notice)
{
    m_report.events.push_back({notice.nFault, notice.tmBegin, notice.tmEnd, notice.nValue});
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

void WriteTextReport(std::ostream& out, const FileReport& report)
{
    out << DisplayFileName(report.path) << '\n';
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
    for (const EventRecord& e : report.events) {
        char line[160];
        std::snprintf(line, sizeof(line), "  %3d %-12s %7d %7d  %s - %s", e.code,
                      FaultDetailName(e.code), e.begin, e.end, CheckFrameTimeCode(e.begin).c_str(),
                      CheckFrameTimeCode(e.end).c_str());
        out << line;
        if (!IsPictureFault(e.code))
            out << "  " << e.value << " dBFS";
        out << '\n';
    }
    if (report.formatVerdict != 0)
        out << "  format " << (report.formatVerdict == 2 ? "valid" : "invalid") << '\n';
    for (const DeviationRecord& d : report.deviations) {
        out << "  deviation " << d.level << ' ' << d.name << ": " << d.realValue << " (allowed "
            << d.value1 << (d.value2.empty() ? "" : " .. ") << d.value2 << ")\n";
    }
    if (!report.storeError.empty())
        out << "  " << report.storeError << '\n';
    else if (report.resultId > 0)
        out << "  stored as result " << report.resultId << '\n';
    if (!report.reportFolder.empty())
        out << "  report " << report.reportFolder << '\n';
    char summary[96];
    std::snprintf(summary, sizeof(summary), "  %zu fault events, %d frames analysed, %.1f fps\n",
                  report.events.size(), report.frames, report.speedFps);
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
            << (r.duplicate ? ",\"duplicate\":true" : "")
            << (r.storeError.empty() ? "" : ",\"store_error\":" + JsonString(r.storeError))
            << ",\"events\":[";
        for (size_t i = 0; i < r.events.size(); ++i) {
            const EventRecord& e = r.events[i];
            out << (i ? "," : "") << "{\"code\":" << e.code
                << ",\"name\":" << JsonString(FaultDetailName(e.code)) << ",\"begin\":" << e.begin
                << ",\"end\":" << e.end << ",\"value\":" << e.value << '}';
        }
        out << ']';
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
