#pragma once
#include "BrindleExport.h"

#include <QPalette>

class QApplication;

namespace brindle {

// The palette of a Brindle page or dialog on the given background: grey text, dark bases, so that
// ordinary Qt controls placed on it (labels, edits, check boxes) match the theme.
BRINDLE_EXPORT QPalette DarkPalette(const QColor& background);

// Makes the theme the application's own: the windows Qt opens by itself (message boxes, menus, file
// and folder dialogs, tooltips) take the dark palette too, so nothing light appears in a dark
// program. Call once, after the QApplication exists and before the first window opens.
BRINDLE_EXPORT void UseDarkTheme(QApplication& app);

}  // namespace brindle
