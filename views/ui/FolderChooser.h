#pragma once
// The folder chooser of the export commands, behind a replaceable function so that tests pick
// the folder instead of a person.
#include <QString>

#include <functional>

class QWidget;

// The export commands' menu entry.
inline constexpr char kExportHtmlEntry[] = "导出为HTML文件";

// The chosen folder, or an empty text when the operator cancelled.
using FolderChooserFn = std::function<QString(QWidget* parent, const QString& title)>;

// Asks for a folder, starting at the desktop; file-system folders only.
QString ChooseFolder(QWidget* parent, const QString& title);

// True when a report may go into folder: it holds none ("index.html") yet, or the operator
// agreed to replace the one there.
bool MayReplaceReport(QWidget* parent, const QString& folder);

// Replaces the chooser; an empty function restores the real one. Returns the one in use before.
FolderChooserFn SetFolderChooserFn(FolderChooserFn fn);

// Shows the wait cursor while it lives.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
