#include "SimpleControls.h"

#include "BrindleColors.h"
#include "MyHeaderCtrl.h"

#include <QHeaderView>
#include <QStyledItemDelegate>

using namespace brindle;

namespace {

void SetColour(QWidget* w, QPalette::ColorRole role, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(role, colour);
    w->setPalette(p);
}

// The text and base of the dark edits and lists.
void DarkBase(QWidget* w, const QColor& base) {
    SetColour(w, QPalette::Base, base);
    SetColour(w, QPalette::Text, kListText);
}

// The style frames an item's check box in the window colour darkened by 140 %, which is invisible
// on a dark tree; this window colour (for the items only) frames it in the list's check-box blue.
class CheckFrameDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->palette.setColor(QPalette::Window, kCheckFrame.lighter(140));
    }
};

}  // namespace

CMySliderCtrl::CMySliderCtrl(QWidget* parent) : QSlider(Qt::Horizontal, parent) { SetRange(0, 100); }

void CMySliderCtrl::SetRange(int min, int max) { setRange(qMin(min, max), qMax(min, max)); }

void CMySliderCtrl::SetTicFreq(int every) {
    setTickInterval(every);
    setTickPosition(every > 0 ? TicksBelow : NoTicks);
}

CMyProgressCtrl::CMyProgressCtrl(QWidget* parent) : QProgressBar(parent) {
    setRange(0, 100);
    setValue(0);
    setAlignment(Qt::AlignCenter);
    DarkBase(this, kEditBack);
    SetBarColor(kGraphLine.darker(150));
}

void CMyProgressCtrl::SetRange(int lower, int upper) {
    setRange(qMin(lower, upper), qMax(lower, upper));
    SetPos(value());
}

void CMyProgressCtrl::SetBarColor(const QColor& colour) {
    SetColour(this, QPalette::Highlight, colour);
    SetColour(this, QPalette::HighlightedText, kButtonText);
}

CLabel::CLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    SetTextColor(kStaticText);
    SetBkColor({});
}

void CLabel::SetTextColor(const QColor& colour) { SetColour(this, QPalette::WindowText, colour); }

void CLabel::SetBkColor(const QColor& colour) {
    setAutoFillBackground(colour.isValid());
    if (colour.isValid()) SetColour(this, QPalette::Window, colour);
}

void CLabel::SetFontBold(bool on) {
    QFont f = font();
    f.setBold(on);
    setFont(f);
}

void CLabel::SetFontSize(int points) {
    QFont f = font();
    f.setPointSize(qMax(1, points));
    setFont(f);
}

CMyListBox::CMyListBox(QWidget* parent) : QListWidget(parent) {
    setFrameShape(QFrame::NoFrame);
    DarkBase(this, kListBack);
}

int CMyListBox::AddString(const QString& text, int image) { return InsertString(count(), text, image); }

int CMyListBox::InsertString(int index, const QString& text, int image) {
    index = qBound(0, index, count());
    auto* item = new QListWidgetItem(text);
    if (image >= 0 && image < m_images.size()) item->setIcon(QIcon(m_images[image]));
    insertItem(index, item);
    return index;
}

bool CMyListBox::DeleteString(int index) {
    if (index < 0 || index >= count()) return false;
    delete takeItem(index);
    return true;
}

QString CMyListBox::GetText(int index) const {
    const QListWidgetItem* it = item(index);
    return it ? it->text() : QString();
}

void CMyListBox::SetCurSel(int index) {
    if (index < 0 || index >= count()) {
        setCurrentRow(-1);
        clearSelection();
    } else {
        setCurrentRow(index);
    }
}

int CMyListBox::GetCurSel() const { return selectedItems().isEmpty() ? -1 : currentRow(); }

int CMyListBox::FindString(const QString& prefix, int start) const {
    const int n = count();
    for (int step = 1; step <= n; ++step) {
        const int i = ((start < 0 ? -1 : start) + step) % n;
        if (item(i)->text().startsWith(prefix, Qt::CaseInsensitive)) return i;
    }
    return -1;
}

CMyEdit::CMyEdit(const QString& text, QWidget* parent) : QLineEdit(text, parent) { DarkBase(this, kEditBack); }

void CMyEdit::SetTextColor(const QColor& colour) { SetColour(this, QPalette::Text, colour); }

void CMyEdit::SetBkColor(const QColor& colour) { SetColour(this, QPalette::Base, colour); }

CFontPreviewCombo::CFontPreviewCombo(QWidget* parent) : QFontComboBox(parent) {
    DarkBase(this, kEditBack);
    SetColour(this, QPalette::ButtonText, kListText);
}

bool CFontPreviewCombo::SelectFont(const QString& family) {
    const int at = findText(family, Qt::MatchFixedString);
    if (at < 0) return false;
    setCurrentIndex(at);
    return true;
}

CListTreeCtrl::CListTreeCtrl(QWidget* parent) : CMyTreeCtrl(parent) {
    setHeader(new CMyHeaderCtrl(this));
    header()->setStretchLastSection(true);
    setHeaderHidden(false);
    setItemDelegate(new CheckFrameDelegate(this));
}

void CListTreeCtrl::SetColumns(const QStringList& titles, const QList<int>& widths) {
    setColumnCount(static_cast<int>(titles.size()));
    setHeaderLabels(titles);
    for (int c = 0; c < widths.size() && c < titles.size(); ++c) setColumnWidth(c, widths[c]);
}

QTreeWidgetItem* CListTreeCtrl::InsertRow(const QStringList& texts, QTreeWidgetItem* parent) {
    QTreeWidgetItem* item = InsertItem(texts.value(0), -1, parent);
    for (int c = 1; c < texts.size(); ++c) item->setText(c, texts[c]);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
    // A parent's state is then read from its children, and checking it checks them all.
    if (parent) parent->setFlags(parent->flags() | Qt::ItemIsAutoTristate);
    return item;
}

void CListTreeCtrl::SetCheck(QTreeWidgetItem* item, bool checked) {
    item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}
