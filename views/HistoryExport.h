// The history export: one HTML summary table of many results ("index.html", GBK) with
// "images/<i>.bmp" (row i's face picture) and the format pictures "fmt1.bmp" (not checked),
// "fmt2.bmp" (valid) and "fmt3.bmp" (invalid).
//
// Draws pictures: needs a QGuiApplication (GuiApp.h) on the calling thread.
#pragma once

#include "ReportOutcome.h"
#include "TaskRecords.h"

#include <span>
#include <string>

namespace quarvik {

// The texts around the rows: the table's start with one title per column, and its end.
std::string HistoryHeader();
extern const char* const kHistoryFooter;

// Row i of the table (UTF-8, texts escaped).
std::string HistoryRowHtml(const ResultInfo_t& result, int i);

// Writes the table of results, in the given order, into folder (which must exist). The
// "images" folder with the three format pictures is always made; an empty list removes any
// "index.html" instead of writing one. A page that fails before its footer is removed; a
// face picture that cannot be written is skipped. Face pictures (pFaceImage) are borrowed.
ReportOutcome WriteHistoryExport(const std::string& folder, std::span<const ResultInfo_t> results);

}  // namespace quarvik
