#include "ACEdit.h"

#include "BrindleColors.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QStringListModel>

using namespace brindle;

CACListWnd::CACListWnd(QWidget* parent) : QListView(parent) {
    QPalette dark = palette();
    dark.setColor(QPalette::Base, kListBack);
    dark.setColor(QPalette::Text, kListText);
    dark.setColor(QPalette::Window, kListBack);
    dark.setColor(QPalette::Highlight, kCheckFrame);
    dark.setColor(QPalette::HighlightedText, kTabSelectedText);
    setPalette(dark);
    setFrameShape(QFrame::Box);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

CACEdit::CACEdit(QWidget* parent)
    : QLineEdit(parent), m_model(new QStringListModel(this)), m_completer(new QCompleter(m_model, this)),
      m_list(new CACListWnd) {
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->setFilterMode(Qt::MatchStartsWith);
    m_completer->setCompletionMode(QCompleter::PopupCompletion);
    m_completer->setModelSorting(QCompleter::UnsortedModel);
    m_completer->setMaxVisibleItems(kVisibleRows);
    // The completer owns its list from here on.
    m_completer->setPopup(m_list);
    // Installed after the completer's own filter, so it sees the list's keys first.
    m_list->installEventFilter(this);
    setCompleter(m_completer);
}

void CACEdit::SetEntries(const QStringList& entries) { m_model->setStringList(entries); }

QStringList CACEdit::Entries() const { return m_model->stringList(); }

QStringList CACEdit::Matches(const QString& text) const {
    if (text.isEmpty()) return {};
    QStringList matches;
    for (const QString& entry : m_model->stringList())
        if (entry.startsWith(text, Qt::CaseInsensitive)) matches.append(entry);
    return matches;
}

void CACEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Down && text().isEmpty() && !m_list->isVisible() && m_model->rowCount() > 0) {
        m_completer->setCompletionPrefix(QString());
        m_completer->complete();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

bool CACEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress && m_list->isVisible()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int count = m_list->model() ? m_list->model()->rowCount() : 0;
        if ((key->key() == Qt::Key_Home || key->key() == Qt::Key_End) && key->modifiers() == Qt::NoModifier && count > 0) {
            const QModelIndex index = m_list->model()->index(key->key() == Qt::Key_Home ? 0 : count - 1, 0);
            m_list->setCurrentIndex(index);
            setText(index.data(m_completer->completionRole()).toString());
            return true;
        }
    }
    return QLineEdit::eventFilter(watched, event);
}
