// The material's own clock of results in "task.db": table MaterialClock, one row per result
// whose material's time codes differ from the check-frame clock (another frame rate, or a
// start time code), with its own delete trigger. A task.db made before the table existed gets
// it (and the trigger) with the first clock stored; until then reading finds none, and every
// time is shown on the check-frame clock alone.
#pragma once

#include "MaterialClock.h"
#include "SqliteDb.h"

namespace quarvik {

// Creates the table and its trigger when missing; an existing one is left as it is.
bool EnsureMaterialClockTable(CSqliteDb& db);
// Stores (or replaces) the clock of a result, in one transaction with the table's creation.
bool StoreMaterialClock(CSqliteDb& db, int nResultID, const MaterialClock& clock);
// False when the result has no stored clock (or the table does not exist yet).
bool LoadMaterialClock(CSqliteDb& db, int nResultID, MaterialClock& clock);

}  // namespace quarvik
