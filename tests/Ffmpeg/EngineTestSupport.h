// Listeners that record what an engine reports, and the generated test media.
#pragma once

#include "CheckNotify.h"
#include "CheckRun.h"
#include "ContentParams.h"
#include "FFCheck.h"

#include <gtest/gtest.h>

#include <opencv2/core.hpp>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <cstdlib>
#include <string>
#include <utility>
#include <unistd.h>
#include <vector>

namespace quarvik {

struct Event {
    int32_t code, begin, end, value;
    cv::Mat snapshot;  // a copy: the engine's own picture lives only during the notice
    int32_t track = 0, channel = 0;  // sound events: from 1
    std::string channelName;
};

class RecordingSink : public ICheckResultSink {
public:
    void OnFaultNotice(const ResultNotify_t& n) override
    {
        events.push_back({n.nFault, n.tmBegin, n.tmEnd, n.nValue, n.pImage ? n.pImage->clone() : cv::Mat(),
                          n.nTrack, n.nChannel, n.szChannel});
    }
    void OnCheckFinished(const ResultNotify_t& n) override { finished.push_back(n.nFrame); }
    void OnOpenFailed(const ResultNotify_t& n) override { openFailed.push_back(n.nFrame); }

    std::vector<Event> events;
    std::vector<int32_t> finished, openFailed;
};

class RecordingMonitor : public ICheckMonitor {
public:
    void OnPreviewPicture(const BitmapInfoHeader_t& header, const uint8_t*) override
    {
        headers.push_back(header);
    }
    void OnCheckProgress(bool, const CheckProgress_t&) override {}
    void OnFaultMark(int32_t tmBegin, int32_t tmEnd, const char*) override { marks.push_back({tmBegin, tmEnd}); }
    std::vector<BitmapInfoHeader_t> headers;
    std::vector<std::pair<int32_t, int32_t>> marks;
};

// The events of the text's kinds (0-5, 16-21). The small clips of moving test pattern, their
// fully saturated colours compressed at a few hundred kbit/s, leave the gamut over more than 1 %
// of the picture (kind 10): tests about other kinds look past the kinds of our own.
inline std::vector<Event> TextKindEvents(const std::vector<Event>& events)
{
    std::vector<Event> kept;
    for (const Event& e : events) {
        if ((e.code >= 0 && e.code <= 5) || (e.code >= 16 && e.code <= 21))
            kept.push_back(e);
    }
    return kept;
}

// The events of one fault code, in the order they came.
inline std::vector<Event> EventsOf(const std::vector<Event>& events, int32_t code)
{
    std::vector<Event> found;
    std::copy_if(events.begin(), events.end(), std::back_inserter(found), [&](const Event& e) { return e.code == code; });
    return found;
}

inline std::string MediaPath(const std::string& name)
{
    const char* folder = std::getenv("QUARVIK_TEST_MEDIA");
    return std::string(folder ? folder : "test-media") + "/" + name;
}

// A parameter file of its own for one test, removed with the object.
class TempParams {
public:
    explicit TempParams(const ContentParam_t (&table)[kContentParamCount])
    {
        char pattern[] = "/tmp/quarvik-ave-XXXXXX";
        int fd = mkstemp(pattern);
        if (fd >= 0)
            close(fd);
        m_path = pattern;
        SaveContentParams(table, m_path);
    }
    ~TempParams() { unlink(m_path.c_str()); }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Every event a check of path with the default parameters reports; the check must finish.
inline std::vector<Event> DefaultCheckEvents(const std::string& path)
{
    ContentParam_t table[kContentParamCount];
    SetDefaultContentParams(table);
    TempParams params(table);
    CFFCheck engine(params.Path());
    RecordingSink sink;
    engine.SetResultSink(&sink);
    EXPECT_EQ(RunContentCheck(engine, path.c_str(), 1, 1), CheckOutcome::kFinished) << path;
    return sink.events;
}

}  // namespace quarvik
