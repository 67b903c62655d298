#pragma once
#include "BrindleExport.h"

#include <QPalette>

namespace brindle {

// The palette of a Brindle page or dialog on the given background: grey text, dark bases, so that
// ordinary Qt controls placed on it (labels, edits, check boxes) match the theme.
BRINDLE_EXPORT QPalette DarkPalette(const QColor& background);

}  // namespace brindle
