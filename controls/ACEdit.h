#pragma once
// The auto-complete edit: a line edit with a list of earlier entries. Typing opens the list of the
// entries that begin with the text (any letter case), in list order, directly below the edit and
// as wide as it, at most eight rows high (a scroll bar beyond that); no match or an empty text
// closes it. Down in an empty edit opens the whole list. While the list is open, Up, Down, Page
// Up, Page Down, Home and End move its selection and the selected entry becomes the edit's text
// with the caret at its end; Escape and Enter close the list; a click takes an entry and closes
// it, as does leaving the edit or the application.
#include "BrindleExport.h"

#include <QLineEdit>
#include <QListView>

class QCompleter;
class QStringListModel;

// The drop-down list of a CACEdit, in the dark theme.
class BRINDLE_EXPORT CACListWnd : public QListView {
    Q_OBJECT
public:
    explicit CACListWnd(QWidget* parent = nullptr);
};

class BRINDLE_EXPORT CACEdit : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int kVisibleRows = 8;

    explicit CACEdit(QWidget* parent = nullptr);

    // The entries, in the order the list shows them.
    void SetEntries(const QStringList& entries);
    QStringList Entries() const;
    // The entries the list offers for the text: those that begin with it, ignoring case.
    QStringList Matches(const QString& text) const;

    QCompleter* Completer() const { return m_completer; }
    CACListWnd* List() const { return m_list; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStringListModel* m_model;
    QCompleter* m_completer;
    CACListWnd* m_list;
};
