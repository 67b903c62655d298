// A stored result with everything that belongs to it (its sub-task, media properties, format
// deviations, fault events with their pictures and channels, the counters of the kinds without
// a Results column, the programme loudness and the material's clock), lifted out of one
// task.db and written into another exactly as the check stored it. A check farm's node checks
// into a task.db of its own; the station's task.db takes the result over from there.
#pragma once

#include "LoudnessDb.h"
#include "MaterialClock.h"
#include "SqliteDb.h"
#include "TaskQueries.h"

#include <optional>
#include <vector>

namespace quarvik {

struct ResultBundle {
    // None when the check left no sub-task behind (one stopped midway).
    std::optional<SubTaskRow> subTask;
    ResultRow result{};
    std::vector<MediaInfoRow> media;
    std::vector<SyntaxErrRow> deviations;
    std::vector<FaultRow> faults;
    std::optional<LoudnessRow> loudness;
    // The material's own clock, where it differs from the check frames.
    std::optional<MaterialClock> clock;
};

// The result nResultID and its sub-task; false when the result is missing.
bool LoadResultBundle(CSqliteDb& db, int nResultID, ResultBundle& out);

// Adds the bundle as a new result (and sub-task, when it has one) of task nTaskID (-1: the
// manual check list), with new row ids. Statements only: run it inside one write unit (StoreInTaskDb) so that the
// result lands whole or not at all. False at the first failed statement.
bool AddResultBundle(CSqliteDb& db, const ResultBundle& bundle, int32_t nTaskID, int& newResultId);

}  // namespace quarvik
