// The states of sub-tasks and of results, in one table: every state code with its names in the
// two kinds of sub-task list and, for the states that end a check as a failure, the colour that
// tells it apart from a clean pass wherever it is shown (lists, reports).
#pragma once

#include "TaskRecords.h"

#include <cstdint>

namespace quarvik {

enum class ListKind { kManual, kTask };

struct StateColour {
    uint8_t red, green, blue;
};

// Display name of a state in a kind of list; "" for codes without one.
const char* SubTaskStateName(ListKind kind, int32_t state);
// The name a log line gives a state: its display name, or for the states a list leaves blank
// (new, taking its information) a name of their own; "" for unknown codes.
const char* SubTaskStateLogName(ListKind kind, int32_t state);

// The colour of a failure state (information or download error, picture check error,
// interrupted, could not open, could not store); nullptr for every other state.
const StateColour* FailureColourOf(int32_t state);

// How a result stands (the rules are at ResultInfo_t): kSubTaskChecking while it has not ended
// and running says it is being checked, kSubTaskInterrupted when it has not ended otherwise,
// its failure state 13-15, or kSubTaskDone for a check that finished.
int32_t ResultStateOf(const ResultInfo_t& result, bool running);

// The name of a result state: its name in a task's list ("检测完毕", "检测中断", ...).
const char* ResultStateName(int32_t state);

}  // namespace quarvik
