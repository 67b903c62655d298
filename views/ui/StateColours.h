#pragma once
// The colour of a failure state (TaskStates.h) as the lists draw it.
#include "TaskStates.h"

#include <QColor>

inline QColor ToQColor(const quarvik::StateColour& colour) { return QColor(colour.red, colour.green, colour.blue); }
