// What the detail page shows of one result: the summary tree (media information, format verdict,
// content faults), the event list (fault events, or format deviations when the format check
// failed) and the records to play back from. Read from task.db; plain C++ for the page to draw.
#pragma once

#include "ResultReport.h"
#include "SqliteDb.h"
#include "StoredReport.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quarvik {

// The detail page's icon strip: 0-5 the picture kinds 0-5, 6-11 the sound kinds 16-21, the
// signs of the summary tree, then the picture kinds of our own.
enum DetailIcon : int {
    kDetailIconPlus = 12,         // green plus: the media and format roots, media headings
    kDetailIconMinus = 13,        // red minus: the content root, "Unknown!"
    kDetailIconInfo = 14,         // blue information sign: property rows, "No Alert!"
    kDetailIconQuestion = 15,     // "未检测"
    kDetailIconTick = 16,         // "语法正确", "内容正确"
    kDetailIconCross = 17,        // "发现错误"
    kDetailIconFlash = 18,        // the picture kinds from 6 on, in code order
};
constexpr int kDetailIconCount = 25;
constexpr int kNoDetailIcon = -1;

// The strip icon of a fault kind; kNoDetailIcon for a code outside the fault vocabulary.
int DetailIconOfKind(int32_t code);

struct DetailNode {
    std::string text;
    int icon;
    std::vector<DetailNode> children;
};

struct DetailRow {
    int icon;                          // of column 0 (the row number); kNoDetailIcon for deviations
    std::array<std::string, 4> texts;  // columns 1-4
};

class CResultDetail {
public:
    // The details of result (by its nID; its nFmtError chooses the mode). Its szNewFilename is
    // the material played back and the report's "FileName".
    void Load(CSqliteDb& db, const ResultInfo_t& result);

    const ResultInfo_t& Result() const { return m_stored.report.result; }
    // Format deviations listed instead of fault events (the format check failed).
    bool DeviationMode() const { return Result().nFmtError == kFormatInvalid; }
    // Three roots: "媒体信息", "语法检测结果", "内容检测结果".
    const std::vector<DetailNode>& Tree() const { return m_tree; }
    const std::vector<DetailRow>& Rows() const { return m_rows; }
    // The fault events in list order (fault mode); snapshots point into this object.
    const std::vector<FaultInfo_t>& Faults() const { return m_stored.report.faults; }
    // The channel name of fault i (ResultReport::FaultChannelName).
    std::string FaultChannelName(size_t i) const { return m_stored.report.FaultChannelName(i); }
    // What the single-result report writes.
    const ResultReport& Report() const { return m_stored.report; }
    // The current record with nPlayFrame set for playback from event row: its fault's first
    // frame in fault mode, 0 in deviation mode (and for a fault index outside the list).
    ResultInfo_t PlaybackRecord(int faultIndex) const;

private:
    void BuildTree();

    StoredResultReport m_stored;
    std::vector<DetailNode> m_tree;
    std::vector<DetailRow> m_rows;
};

}  // namespace quarvik
