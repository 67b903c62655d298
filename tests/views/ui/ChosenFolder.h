#pragma once
// The folder chooser answered by the test: every export goes to folder (empty: cancelled), and
// the titles asked with are recorded.
#include "FolderChooser.h"

#include <QStringList>

class ChosenFolder {
public:
    explicit ChosenFolder(const QString& folder) {
        m_previous = SetFolderChooserFn([this, folder](QWidget*, const QString& title) {
            titles << title;
            return folder;
        });
    }
    ~ChosenFolder() { SetFolderChooserFn(m_previous); }
    QStringList titles;

private:
    FolderChooserFn m_previous;
};
