#include "WndResult.h"

#include "FileDisplay.h"
#include "GdiplusButton.h"
#include "ListPictures.h"
#include "MessageBox.h"
#include "MyListCtrl.h"
#include "Settings.h"
#include "StateColours.h"

#include <QDateTime>
#include <QHeaderView>
#include <QScrollBar>

using namespace quarvik;

namespace {

struct Column {
    const char* title;
    int width;
    Qt::Alignment align;
};

// The columns before the counts; the count columns follow the fault vocabulary.
constexpr Column kColumns[CWndResult::kFirstCountColumn] = {
    {"", 44, Qt::AlignLeft},      {"检测时间", 125, Qt::AlignLeft}, {"文件", 100, Qt::AlignLeft},
    {"名称", 100, Qt::AlignLeft}, {"格式", 40, Qt::AlignHCenter},
};

}  // namespace

CWndResult::CWndResult(QWidget* parent)
    : CMyDialog(parent),
      m_refresh(new CGdiplusButton(QStringLiteral("刷新"), this)),
      m_details(new CGdiplusButton(QStringLiteral("详细信息"), this)),
      m_list(new CMyListCtrl(this)) {
    SetUpList(m_list);
    KeepColumnWidths();
    m_refresh->setGeometry(4, 6, 80, 28);
    m_details->setGeometry(90, 6, 80, 28);
    connect(m_refresh, &QAbstractButton::clicked, this, &CWndResult::Reload);
    connect(m_details, &QAbstractButton::clicked, this, &CWndResult::OnDetails);
    connect(m_list, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { emit OpenResult(m_recorder.Row(row).info); });

    m_recorder.AddObserver(this);
    SetUpStoringRecorder(m_recorder, m_clipNames);
    Reload();
}

void CWndResult::SetUpList(CMyListCtrl* list) {
    for (int c = 0; c < kFirstCountColumn; ++c)
        list->InsertColumn(c, QString::fromUtf8(kColumns[c].title), kColumns[c].align, kColumns[c].width);
    for (int c = kFirstCountColumn; c < kStateColumn; ++c) {
        const FaultKind* kind = FindFaultKind(kCountColumnKinds[static_cast<size_t>(c - kFirstCountColumn)]);
        list->InsertColumn(c, QString::fromUtf8(kind->listTitle), Qt::AlignHCenter, kind->listWidth);
    }
    list->InsertColumn(kStateColumn, QStringLiteral("状态"), Qt::AlignHCenter, 70);
    // Fonts wider than the list was laid out for get wider columns rather than cut titles and times.
    list->WidenColumnsToTitles();
    list->WidenColumnFor(1, QStringLiteral("0000-00-00 00:00:00"));
    list->WidenColumnFor(kStateColumn, QStringLiteral("检测完毕"));
    // The row number shows beside its thumbnail.
    list->WidenColumnFor(0, QStringLiteral("9999"), kListPictureSide);
    // The state is shown right after the name, where it is seen without scrolling; the column
    // keeps its number behind the counts.
    list->horizontalHeader()->moveSection(kStateColumn, kFormatColumn);
    // The operator puts the columns in the order he likes by dragging their titles.
    list->horizontalHeader()->setSectionsMovable(true);
    list->setTextElideMode(Qt::ElideMiddle);
    list->SetItemHeight(kListPictureSide + 2);
    list->SetSubImageList(FormatIcons());
}

void CWndResult::KeepColumnWidths() {
    QHeaderView* header = m_list->horizontalHeader();
    for (int c = 0; c < kColumnCount; ++c) {
        // The row number and its thumbnail stay visible whatever was stored.
        const int least = c == 0 ? m_list->columnWidth(0) : header->minimumSectionSize();
        m_list->setColumnWidth(c, qMax(least, static_cast<int>(ReadResultColumnWidth(c, m_list->columnWidth(c)))));
    }
    connect(header, &QHeaderView::sectionResized, this,
            [](int column, int, int width) { WriteResultColumnWidth(column, static_cast<uint32_t>(qMax(width, 0))); });
}

void CWndResult::resizeEvent(QResizeEvent*) { m_list->setGeometry(2, 40, width() - 4, height() - 42); }

void CWndResult::Reload() { m_recorder.Reload(); }

void CWndResult::OnDetails() {
    const QList<QTableWidgetSelectionRange> selected = m_list->selectedRanges();
    if (selected.isEmpty()) {
        ShowMessage(this, QStringLiteral("没有记录选择！"));
        return;
    }
    emit OpenResult(m_recorder.Row(selected.first().topRow()).info);
}

void CWndResult::OnReport(int code) { emit CheckReport(code); }

void CWndResult::OnRowAppended(int row) {
    // New results come into view unless the operator has scrolled up to older ones.
    const QScrollBar* bar = m_list->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    InsertRow(row);
    if (atEnd) m_list->scrollToBottom();
    emit ResultsStored();
}

void CWndResult::OnRowChanged(int row) {
    FillRow(row);
    if (!m_recorder.Row(row).running) emit ResultsStored();
}

void CWndResult::OnReloaded() {
    // Thousands of rows are built without a repaint in between.
    setUpdatesEnabled(false);
    m_list->DeleteAllItems();
    m_list->SetImageList({});
    m_list->setRowCount(m_recorder.Count());
    for (int row = 0; row < m_recorder.Count(); ++row) InsertRow(row);
    setUpdatesEnabled(true);
}

void CWndResult::InsertRow(int row) {
    const int image = m_list->AddImage(ThumbnailFromBgr(m_recorder.Row(row).face));
    if (m_list->GetItemCount() <= row) m_list->InsertItem(row, {});
    m_list->SetItemImage(row, 0, image);
    m_list->SetItemText(row, 0, QString::number(row + 1));
    const ResultInfo_t& info = m_recorder.Row(row).info;
    m_list->SetItemText(row, 1,
                        QDateTime::fromSecsSinceEpoch(info.tmBegin).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    const QString file = QString::fromStdString(DisplayFileName(info.szFilename));
    m_list->SetItemText(row, kFileColumn, file);
    m_list->item(row, kFileColumn)->setToolTip(file);
    FillRow(row);
}

void CWndResult::FillRow(int row) {
    const ResultRow_t& r = m_recorder.Row(row);
    m_list->SetItemData(row, r.info.nID);
    const QString name = QString::fromUtf8(r.info.szName);
    m_list->SetItemText(row, kNameColumn, name);
    m_list->item(row, kNameColumn)->setToolTip(name);
    m_list->SetItemImage(row, kFormatColumn, FormatIconOf(r.info.nFmtError));
    for (int c = 0; c < static_cast<int>(r.counts.size()); ++c) {
        const int32_t count = r.counts[static_cast<size_t>(c)];
        m_list->SetItemText(row, kFirstCountColumn + c, count < 0 ? QStringLiteral("-") : QString::number(count));
    }
    const int32_t state = r.State();
    m_list->SetItemText(row, kStateColumn, QString::fromUtf8(ResultStateName(state)));
    if (const StateColour* failure = FailureColourOf(state))
        m_list->SetItemTextColor(row, ToQColor(*failure));
    else if (r.colour == RowColour::kRed)
        m_list->SetItemTextColor(row, kFaultyText);
    else if (r.colour == RowColour::kDarkRed)
        m_list->SetItemTextColor(row, kFormatFailedText);
}
