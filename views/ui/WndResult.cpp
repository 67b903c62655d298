#include "WndResult.h"

#include "FileDisplay.h"
#include "GdiplusButton.h"
#include "ListPictures.h"
#include "MessageBox.h"
#include "MyListCtrl.h"

#include <QDateTime>
#include <QScrollBar>

using namespace quarvik;

namespace {

struct Column {
    const char* title;
    int width;
    Qt::Alignment align;
};

constexpr Column kColumns[CWndResult::kColumnCount] = {
    {"", 44, Qt::AlignLeft},          {"检测时间", 125, Qt::AlignLeft}, {"文件", 100, Qt::AlignLeft},
    {"名称", 100, Qt::AlignLeft},     {"格式", 40, Qt::AlignHCenter},   {"静帧", 35, Qt::AlignHCenter},
    {"黑场", 35, Qt::AlignHCenter},   {"彩场", 35, Qt::AlignHCenter},   {"彩条", 35, Qt::AlignHCenter},
    {"马赛克", 45, Qt::AlignHCenter}, {"静音(L)", 45, Qt::AlignHCenter}, {"音弱(L)", 45, Qt::AlignHCenter},
    {"音强(L)", 45, Qt::AlignHCenter}, {"静音(R)", 45, Qt::AlignHCenter}, {"音弱(R)", 45, Qt::AlignHCenter},
    {"音强(R)", 45, Qt::AlignHCenter},
};

constexpr int kFileColumn = 2, kNameColumn = 3, kFormatColumn = 4;

}  // namespace

CWndResult::CWndResult(QWidget* parent)
    : CMyDialog(parent),
      m_refresh(new CGdiplusButton(QStringLiteral("刷新"), this)),
      m_details(new CGdiplusButton(QStringLiteral("详细信息"), this)),
      m_list(new CMyListCtrl(this)) {
    for (int c = 0; c < kColumnCount; ++c)
        m_list->InsertColumn(c, QString::fromUtf8(kColumns[c].title), kColumns[c].align, kColumns[c].width);
    // Fonts wider than the list was laid out for get wider columns rather than cut titles and times.
    m_list->WidenColumnsToTitles();
    m_list->WidenColumnFor(1, QStringLiteral("0000-00-00 00:00:00"));
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->SetItemHeight(kListPictureSide + 2);
    m_list->SetSubImageList(FormatIcons());
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
}

void CWndResult::OnRowChanged(int row) { FillRow(row); }

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
    if (r.colour == RowColour::kRed)
        m_list->SetItemTextColor(row, kFaultyText);
    else if (r.colour == RowColour::kDarkRed)
        m_list->SetItemTextColor(row, kFormatFailedText);
}
