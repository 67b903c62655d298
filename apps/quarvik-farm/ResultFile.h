// The result file of one check: everything a stored check keeps of one file (its sub-task,
// result row, media properties, format deviations, fault events with their pictures and the
// programme loudness), as one JSON document. A check farm's node writes it; the station's
// collector reads it and stores the result as the node stored it. README describes the form.
//
// Version 1: {"format": "quarvik-result", "version": 1, "input": <the path checked>,
//             "subtask": {...}, "result": {...}, "media_info": [...], "syntax_errors": [...],
//             "faults": [...], "loudness": {...} or null, "material_clock": {...} or null}.
// Keys are the column names of the task database (the counters of kinds without a Results
// column as "FaultCounts" in the result, an event's channel as "FaultChannels" in the fault);
// pictures are base64 of the stored bytes; a figure without a value is null.
#pragma once

#include "ResultBundle.h"

#include <string>

namespace quarvik {

constexpr int kResultFileVersion = 1;

// Writes the file whole or not at all (a temporary file renamed into place); false with a
// reason when it could not be written.
bool WriteResultFile(const std::string& path, const std::string& input, const ResultBundle& bundle,
                     std::string& error);

// Copies the files of a program folder that decide how material is judged (content-check
// parameters, format templates, settings) into another folder, those that exist; false with a
// reason when one could not be copied. Checks made with the copies judge as the original would.
bool CopyJudgingFiles(const std::string& fromFolder, const std::string& toFolder, std::string& error);

// Reads a result file; false with a reason for a missing, unreadable, damaged or newer file.
bool ReadResultFile(const std::string& path, ResultBundle& bundle, std::string& error);

}  // namespace quarvik
