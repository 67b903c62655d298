// The counters of the fault kinds that have no column of their own in the Results table
// (FaultCounts in "task.db": one row per result and kind that counted), with their own delete
// trigger. A task.db made before the table existed gets it (and the trigger) with the first
// such fault stored; until then reading finds none and every such counter reads 0.
#pragma once

#include "SqliteDb.h"

#include <cstdint>
#include <vector>

namespace quarvik {

struct ResultInfo_t;

// Creates the table and its trigger when missing; an existing one is left as it is.
bool EnsureFaultCountsTable(CSqliteDb& db);
// Sets the count of a kind for a result (the table created first when missing).
bool StoreFaultCount(CSqliteDb& db, int nResultID, int32_t nFault, int32_t nCount);
// Fills the FaultCounts counters of the given results (matched by nID); the others stay as
// they are. False when the query failed (a missing table is no failure).
bool LoadFaultCounts(CSqliteDb& db, const std::vector<ResultInfo_t*>& results);

}  // namespace quarvik
