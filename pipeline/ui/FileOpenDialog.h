#pragma once
// The open-file dialog of the manual list: several files at once, drawn by Qt (dark like the
// program, where the desktop's own dialog would be light). Qt writes a choice of several files
// into its name field, each name in quotes, and reads that field back into the list's selection
// at every change, splitting it at every quote: a name holding a quote came back cut, pieces of
// it selected other files or the folder itself, and the choice was lost. This dialog reads the
// field itself, quote-safe, with the folder's own names as the judge.
#include <QDir>
#include <QFileDialog>
#include <QStringList>

class CFileOpenDialog : public QFileDialog {
    Q_OBJECT
public:
    CFileOpenDialog(QWidget* parent, const QString& folder);

    // The names of files in folder that the field's text stands for: one name as it is, or
    // several as "a" "b" ..., names that hold quotes or '" "' included. Empty when the text
    // does not name only existing files of folder.
    static QStringList SplitNames(const QString& text, const QDir& folder);

private:
    // What the operator types into the name field selects those files in the list.
    void SelectTyped(const QString& text);
};

// Asks for files, starting in folder; empty when the operator cancelled.
QStringList ChooseFiles(QWidget* parent, const QString& folder);
