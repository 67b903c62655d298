#pragma once
// The small dark controls: slider, progress bar, label, list box, one-line edit, font chooser and
// a tree with columns.
//   CMySliderCtrl      a horizontal slider whose position stays inside its range
//   CMyProgressCtrl    a green bar with its percentage written on it
//   CLabel             grey text on a transparent background unless given a background colour
//   CMyListBox         a list of strings (with optional pictures) searched by prefix
//   CMyEdit            a dark one-line edit with a character limit
//   CFontPreviewCombo  the installed font families, each name shown in its own face
//   CListTreeCtrl      a tree with columns and check boxes; a parent's box follows its children
#include "BrindleExport.h"
#include "MyTreeCtrl.h"

#include <QFontComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QSlider>

class BRINDLE_EXPORT CMySliderCtrl : public QSlider {
    Q_OBJECT
public:
    explicit CMySliderCtrl(QWidget* parent = nullptr);
    // The ends in either order; the position is pulled inside.
    void SetRange(int min, int max);
    // Clamped to the range.
    void SetPos(int pos) { setValue(pos); }
    int GetPos() const { return value(); }
    int GetRangeMin() const { return minimum(); }
    int GetRangeMax() const { return maximum(); }
    void SetTicFreq(int every);
};

class BRINDLE_EXPORT CMyProgressCtrl : public QProgressBar {
    Q_OBJECT
public:
    explicit CMyProgressCtrl(QWidget* parent = nullptr);
    void SetRange(int lower, int upper);
    void SetPos(int pos) { setValue(qBound(minimum(), pos, maximum())); }
    int GetPos() const { return value(); }
    void SetBarColor(const QColor& colour);
};

class BRINDLE_EXPORT CLabel : public QLabel {
    Q_OBJECT
public:
    explicit CLabel(const QString& text = {}, QWidget* parent = nullptr);
    void SetTextColor(const QColor& colour);
    // An invalid colour makes the background transparent again.
    void SetBkColor(const QColor& colour);
    void SetFontBold(bool on);
    void SetFontSize(int points);
};

class BRINDLE_EXPORT CMyListBox : public QListWidget {
    Q_OBJECT
public:
    explicit CMyListBox(QWidget* parent = nullptr);
    void SetImageList(const QList<QPixmap>& images) { m_images = images; }
    // Returns the new string's index.
    int AddString(const QString& text, int image = -1);
    int InsertString(int index, const QString& text, int image = -1);
    bool DeleteString(int index);
    int GetCount() const { return count(); }
    QString GetText(int index) const;
    // -1 selects nothing.
    void SetCurSel(int index);
    int GetCurSel() const;
    // The first string after start (wrapping round) that begins with prefix, ignoring case; -1 if none.
    int FindString(const QString& prefix, int start = -1) const;

private:
    QList<QPixmap> m_images;
};

class BRINDLE_EXPORT CMyEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CMyEdit(const QString& text = {}, QWidget* parent = nullptr);
    void SetTextColor(const QColor& colour);
    void SetBkColor(const QColor& colour);
    // At most count characters can be typed or set (0: no limit).
    void SetLimitText(int count) { setMaxLength(count > 0 ? count : 32767); }
};

class BRINDLE_EXPORT CFontPreviewCombo : public QFontComboBox {
    Q_OBJECT
public:
    explicit CFontPreviewCombo(QWidget* parent = nullptr);
    QString GetSelectedFont() const { return currentFont().family(); }
    // false, the selection unchanged, when no installed family has that name.
    bool SelectFont(const QString& family);
};

class BRINDLE_EXPORT CListTreeCtrl : public CMyTreeCtrl {
    Q_OBJECT
public:
    explicit CListTreeCtrl(QWidget* parent = nullptr);
    void SetColumns(const QStringList& titles, const QList<int>& widths);
    // One text per column; the item gets a check box. Its parent's box then follows its children
    // (checked, unchecked or partly).
    QTreeWidgetItem* InsertRow(const QStringList& texts, QTreeWidgetItem* parent = nullptr);
    void SetCheck(QTreeWidgetItem* item, bool checked);
    Qt::CheckState GetCheck(const QTreeWidgetItem* item) const { return item->checkState(0); }
};
