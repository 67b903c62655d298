// The programme loudness of results in "task.db": table Loudness, one row per result that had
// sound, and its own delete trigger beside the one of the result's other details. A task.db
// made before the table existed gets it (and the trigger) with the first loudness stored;
// until then reading finds none.
//
// The short-term series is stored as a blob of 32-bit floats (little-endian, NaN where the
// programme was below the gate), one a second.
#pragma once

#include "Loudness.h"
#include "SqliteDb.h"

#include <cstdint>

namespace quarvik {

struct LoudnessRow {
    LoudnessInfo_t info;
    int32_t nVerdict = kLoudnessNotJudged;  // LoudnessVerdict, as judged when the check ended
    LoudnessLimits limits;                  // the settings then (enabled: it was judged)
};

// Creates the table and its trigger when missing; an existing one is left as it is.
bool EnsureLoudnessTable(CSqliteDb& db);
// Stores (or replaces) the loudness of a result, in one transaction with the table's creation.
bool StoreLoudness(CSqliteDb& db, int nResultID, const LoudnessRow& row);
// False when the result has no stored loudness (or the table does not exist yet).
bool LoadLoudness(CSqliteDb& db, int nResultID, LoudnessRow& row);

}  // namespace quarvik
