#include "WndHistory.h"

#include "StateColours.h"

#include "FolderChooser.h"
#include "GdiplusButton.h"
#include "HistoryExport.h"
#include "ListPictures.h"
#include "MessageBox.h"
#include "MyListCtrl.h"
#include "ResultColumns.h"
#include "StoredReport.h"
#include "WndResult.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>

#include <algorithm>

using namespace quarvik;

namespace {

constexpr int kLeastNameWidth = 100;

LocalDay DayOf(const QDate& date) { return {date.year(), date.month(), date.day()}; }

QDateEdit* NewDatePicker(QWidget* parent) {
    auto* picker = new QDateEdit(QDate::currentDate(), parent);
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return picker;
}

}  // namespace

CWndHistory::CWndHistory(QWidget* parent)
    : CMyDialog(parent),
      m_refresh(new CGdiplusButton(QStringLiteral("刷新"), this)),
      m_details(new CGdiplusButton(QStringLiteral("详细信息"), this)),
      m_delete(new CGdiplusButton(QStringLiteral("删除"), this)),
      m_export(new CGdiplusButton(QStringLiteral("导出"), this)),
      m_exportMenu(new QMenu(QStringLiteral("Export"), this)),
      m_byTime(new QCheckBox(QStringLiteral("时间范围"), this)),
      m_from(NewDatePicker(this)),
      m_to(NewDatePicker(this)),
      m_byName(new QCheckBox(QStringLiteral("文件名"), this)),
      m_name(new QLineEdit(this)),
      m_list(new CMyListCtrl(this)) {
    m_refresh->setGeometry(4, 6, 80, 28);
    m_details->setGeometry(90, 6, 80, 28);
    m_delete->setGeometry(176, 6, 80, 28);
    m_export->setGeometry(262, 6, 80, 28);
    CWndResult::SetUpList(m_list);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setMouseTracking(true);
    m_byTime->setChecked(true);

    m_exportMenu->addAction(QStringLiteral("To html file"), this, &CWndHistory::ExportHtml);
    connect(m_refresh, &QAbstractButton::clicked, this, &CWndHistory::Query);
    connect(m_details, &QAbstractButton::clicked, this, &CWndHistory::OnDetails);
    connect(m_delete, &QAbstractButton::clicked, this, &CWndHistory::DeleteSelected);
    connect(m_export, &QAbstractButton::clicked, this,
            [this] { m_exportMenu->popup(mapToGlobal(m_export->geometry().bottomLeft())); });
    // The boxes exclude each other: a click, a date or a name chooses its box, then the query.
    connect(m_byTime, &QAbstractButton::clicked, this, [this] {
        m_byName->setChecked(false);
        Query();
    });
    connect(m_byName, &QAbstractButton::clicked, this, [this] {
        m_byTime->setChecked(false);
        Query();
    });
    connect(m_from, &QDateEdit::dateChanged, this, [this] { ChooseBox(m_byTime); });
    connect(m_to, &QDateEdit::dateChanged, this, [this] { ChooseBox(m_byTime); });
    connect(m_name, &QLineEdit::textChanged, this, [this] { ChooseBox(m_byName); });
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        if (row >= 0 && row < static_cast<int>(m_rows.size())) emit OpenResult(m_rows[static_cast<size_t>(row)].info);
    });
    connect(m_list->verticalScrollBar(), &QScrollBar::valueChanged, this, &CWndHistory::FillVisibleRows);
    Query();
}

HistoryFilter CWndHistory::Filter() const {
    return {m_byTime->isChecked(), m_byName->isChecked(), DayOf(m_from->date()), DayOf(m_to->date()),
            m_name->text().toStdString()};
}

void CWndHistory::ChooseBox(QCheckBox* checked) {
    m_byTime->setChecked(checked == m_byTime);
    m_byName->setChecked(checked == m_byName);
    Query();
}

void CWndHistory::Query() {
    const WaitCursor wait;
    m_list->DeleteAllItems();
    m_list->SetImageList({});
    {
        CSqliteDb db;
        db.OpenTaskDb();
        m_rows = QueryHistory(db, Filter(), DayOf(QDate::currentDate()));
    }
    m_filled.assign(m_rows.size(), false);
    m_list->setRowCount(static_cast<int>(m_rows.size()));
    FillVisibleRows();
}

void CWndHistory::FillVisibleRows() {
    if (m_rows.empty() || !isVisible()) return;
    const int count = static_cast<int>(m_rows.size());
    const int first = std::max(0, m_list->rowAt(0));
    int last = m_list->rowAt(m_list->viewport()->height() - 1);
    if (last < 0) last = count - 1;
    // A screen ahead, so that scrolling on shows filled rows.
    last = std::min(count - 1, last + (last - first + 1));
    CSqliteDb db;
    for (int row = first; row <= last; ++row) {
        if (m_filled[static_cast<size_t>(row)]) continue;
        if (!db.IsOpen()) db.OpenTaskDb();
        FillRow(db, row);
    }
}

void CWndHistory::FillRow(CSqliteDb& db, int row) {
    m_filled[static_cast<size_t>(row)] = true;
    ResultRow& r = m_rows[static_cast<size_t>(row)];
    LoadResultFaceImage(db, r.info.nID, r.faceImage);
    r.info.nFaceImageSize = static_cast<int32_t>(r.faceImage.size());
    const ResultRowTexts texts = HistoryRowTexts(r.info);
    m_list->SetItemText(row, 0, QString::number(row + 1));
    m_list->SetItemImage(row, 0, m_list->AddImage(ThumbnailFromBgr(r.faceImage)));
    m_list->SetItemData(row, r.info.nID);
    m_list->SetItemText(row, 1, QString::fromStdString(texts.checkTime));
    const QString file = QString::fromStdString(texts.file);
    m_list->SetItemText(row, CWndResult::kFileColumn, file);
    m_list->item(row, CWndResult::kFileColumn)->setToolTip(file);
    const QString name = QString::fromStdString(texts.name);
    m_list->SetItemText(row, CWndResult::kNameColumn, name);
    m_list->item(row, CWndResult::kNameColumn)->setToolTip(name);
    m_list->SetItemImage(row, CWndResult::kFormatColumn, texts.formatIcon);
    for (int c = 0; c < kCountColumns; ++c)
        m_list->SetItemText(row, CWndResult::kFirstCountColumn + c, QString::fromStdString(texts.counts[static_cast<size_t>(c)]));
    m_list->SetItemText(row, CWndResult::kStateColumn, QString::fromStdString(texts.state));
    if (texts.failure)
        m_list->SetItemTextColor(row, ToQColor(*texts.failure));
    else if (ShowsInRed(texts))
        m_list->SetItemTextColor(row, CWndResult::kFaultyText);
}

void CWndHistory::OnDetails() {
    const QList<QTableWidgetSelectionRange> selected = m_list->selectedRanges();
    if (selected.isEmpty()) {
        ShowMessage(this, QStringLiteral("没有记录选择！"));
        return;
    }
    emit OpenResult(m_rows[static_cast<size_t>(selected.first().topRow())].info);
}

void CWndHistory::DeleteSelected() {
    QModelIndexList selected = m_list->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        ShowMessage(this, QStringLiteral("请选择要删除的记录！"));
        return;
    }
    std::sort(selected.begin(), selected.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    if (ShowMessage(this, QStringLiteral("%1 条记录将被删除，确信继续吗？").arg(selected.size()), MsgIcon::Question,
                    MsgButtons::YesNoDefaultNo) != MsgAnswer::Yes)
        return;
    std::vector<int32_t> ids;
    for (const QModelIndex& index : selected) ids.push_back(m_rows[static_cast<size_t>(index.row())].info.nID);
    {
        CSqliteDb db;
        if (db.OpenTaskDb()) DeleteHistoryResults(db, ids);
    }
    Query();
}

void CWndHistory::ExportHtml() {
    const QString folder = ChooseFolder(this, QStringLiteral("选择目标文件夹..."));
    if (folder.isEmpty()) return;
    const WaitCursor wait;
    {
        CSqliteDb db;
        db.OpenTaskDb();
        for (ResultRow& r : m_rows) {
            if (r.faceImage.empty()) LoadResultFaceImage(db, r.info.nID, r.faceImage);
        }
    }
    // The outcome is not reported to the operator.
    WriteHistoryExport(folder.toStdString(), BorrowResultInfos(m_rows));
}

void CWndHistory::resizeEvent(QResizeEvent*) {
    // The query boxes after the buttons: each check box with its fields on the same line, on the
    // next line when the page is too narrow, the name field narrower down to its least width.
    const std::vector<std::vector<QWidget*>> groups = {{m_byTime, m_from, m_to}, {m_byName, m_name}};
    const int right = width() - 4;
    int x = 356, y = 8;
    for (const std::vector<QWidget*>& group : groups) {
        int length = -6;
        for (const QWidget* field : group) length += FieldWidth(field) + 6;
        if (x > 4 && x + length - (group.back() == m_name ? 180 - kLeastNameWidth : 0) > right) {
            x = 4;
            y += 32;
        }
        for (QWidget* field : group) {
            const int w = field == m_name ? qBound(kLeastNameWidth, right - x, 180) : FieldWidth(field);
            field->setGeometry(x, y, w, 24);
            x += w + (field == m_to ? 18 : 6);
        }
    }
    const int top = y + 32;
    m_list->setGeometry(2, top, width() - 4, height() - top - 2);
    FillVisibleRows();
}

int CWndHistory::FieldWidth(const QWidget* field) const {
    return field == m_name ? 180 : field->sizeHint().width() + (field == m_byName ? 0 : 4);
}

void CWndHistory::showEvent(QShowEvent* event) {
    CMyDialog::showEvent(event);
    FillVisibleRows();
}
