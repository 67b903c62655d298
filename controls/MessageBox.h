#pragma once
// Every operator message of the program goes through ShowMessage, so that tests can answer a box
// instead of a person (SetMessageBoxFn) and no test ever blocks on a modal box.
#include "BrindleExport.h"

#include <QString>

#include <functional>
#include <memory>

class QMessageBox;
class QWidget;

namespace quarvik {

enum class MsgIcon { Information, Exclamation, Stop, Question };
enum class MsgButtons { Ok, YesNoDefaultNo };
enum class MsgAnswer { Ok, Yes, No };

using MessageBoxFn = std::function<MsgAnswer(QWidget* parent, const QString& text, MsgIcon, MsgButtons)>;

BRINDLE_EXPORT MsgAnswer ShowMessage(QWidget* parent, const QString& text, MsgIcon icon = MsgIcon::Information,
                      MsgButtons buttons = MsgButtons::Ok);

// The box ShowMessage shows, not yet shown (for pictures of it and for looking at its buttons).
BRINDLE_EXPORT std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& text, MsgIcon icon,
                                                          MsgButtons buttons);

// Replaces the function that shows the boxes; an empty function restores the real boxes.
// Returns the one in use before.
BRINDLE_EXPORT MessageBoxFn SetMessageBoxFn(MessageBoxFn fn);

}  // namespace quarvik
