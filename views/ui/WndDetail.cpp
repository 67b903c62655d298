#include "WndDetail.h"

#include "DetailIcons.h"
#include "FaultBitmap.h"
#include "FolderChooser.h"
#include "GdiplusButton.h"
#include "LoudnessView.h"
#include "MessageBox.h"
#include "MyListCtrl.h"
#include "MyTreeCtrl.h"
#include "SqliteDb.h"
#include "TextField.h"

#include <QHeaderView>
#include <QMenu>
#include <QPainter>

using namespace quarvik;

namespace {

// The list holds the focus of its window (also while another window is active).
bool HoldsFocus(const QWidget* list) { return list->window()->focusWidget() == list; }

constexpr int kTreeRowHeight = 20, kEventRowHeight = 22, kPictureRowHeight = 122;

struct Column {
    const char* title;
    int width;
    Qt::Alignment align;
};

constexpr Column kFaultColumns[] = {{"", 40, Qt::AlignRight},
                                    {"开始时间", 100, Qt::AlignHCenter},
                                    {"结束时间", 100, Qt::AlignHCenter},
                                    {"长度", 100, Qt::AlignHCenter},
                                    {"类型", 130, Qt::AlignHCenter}};
constexpr Column kDeviationColumns[] = {{"", 40, Qt::AlignRight},
                                        {"错误对象", 130, Qt::AlignLeft},
                                        {"有效值1", 110, Qt::AlignLeft},
                                        {"有效值2", 110, Qt::AlignLeft},
                                        {"实际值", 110, Qt::AlignLeft}};

void AddNodes(CMyTreeCtrl* tree, const std::vector<DetailNode>& nodes, QTreeWidgetItem* parent) {
    for (const DetailNode& node : nodes) {
        const QString text = QString::fromStdString(node.text);
        QTreeWidgetItem* item = tree->InsertItem(text, node.icon, parent);
        item->setSizeHint(0, QSize(0, kTreeRowHeight));
        // Long property values are cut at the tree's edge; the tip shows them whole.
        item->setToolTip(0, text);
        AddNodes(tree, node.children, item);
    }
}

}  // namespace

CWndDetail::CWndDetail(QWidget* parent)
    : CMyDialog(parent),
      m_refresh(new CGdiplusButton(QStringLiteral("刷新"), this)),
      m_playback(new CGdiplusButton(QStringLiteral("回放"), this)),
      m_export(new CGdiplusButton(QStringLiteral("导出"), this)),
      m_exportMenu(new QMenu(QStringLiteral("Export"), this)),
      m_tree(new CMyTreeCtrl(this)),
      m_loudnessGraph(new CLoudnessGraph(this)),
      m_events(new CMyListCtrl(this)),
      m_pictures(new CMyListCtrl(this)) {
    m_loudnessGraph->hide();
    m_refresh->setGeometry(4, 6, 80, 28);
    m_playback->setGeometry(90, 6, 80, 28);
    m_export->setGeometry(176, 6, 80, 28);
    const QList<QPixmap> icons = DetailIcons();
    m_tree->SetImageList(icons);
    m_tree->setIconSize(icons.constFirst().size());
    m_tree->setUniformRowHeights(true);
    m_events->SetImageList(icons);
    m_events->SetItemHeight(kEventRowHeight);
    m_events->horizontalHeader()->setSectionsMovable(true);
    SetColumns(false, false);
    m_pictures->InsertColumn(0, QStringLiteral("No"), Qt::AlignRight, kSnapshotWidth);
    m_pictures->SetItemHeight(kPictureRowHeight);
    m_pictures->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    m_exportMenu->addAction(QString::fromUtf8(kExportHtmlEntry), this, &CWndDetail::ExportHtml);
    m_showTimer.setSingleShot(true);
    m_showTimer.setInterval(50);
    connect(&m_showTimer, &QTimer::timeout, this, &CWndDetail::ShowResult);
    connect(m_refresh, &QAbstractButton::clicked, this, &CWndDetail::ShowResult);
    connect(m_playback, &QAbstractButton::clicked, this, &CWndDetail::OnPlayback);
    connect(m_export, &QAbstractButton::clicked, this,
            [this] { m_exportMenu->popup(mapToGlobal(m_export->geometry().bottomLeft())); });
    connect(m_events, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { PlayFrom(row); });
    connect(m_pictures, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        // The picture's own fault, whatever the mode.
        const std::vector<FaultInfo_t>& faults = m_detail.Faults();
        if (row < 0 || row >= static_cast<int>(faults.size())) return;
        ResultInfo_t record = m_detail.Result();
        record.nPlayFrame = faults[static_cast<size_t>(row)].tmBegin;
        emit PlayRequested(m_playbackPath, record);
    });
    connect(m_events, &QTableWidget::currentCellChanged, this, [this](int row) { OnEventRowChanged(row); });
    connect(m_pictures, &QTableWidget::currentCellChanged, this, [this](int row) { OnPictureRowChanged(row); });
}

void CWndDetail::SetResult(const ResultInfo_t& result, const QString& playbackPath) {
    m_result = result;
    m_result.pFaceImage = nullptr;
    m_result.nFaceImageSize = 0;
    m_playbackPath = playbackPath;
    CopyField(m_result.szNewFilename, playbackPath.toStdString());
    m_showTimer.start();
}

void CWndDetail::SetColumns(bool deviationMode, bool materialClock) {
    while (m_events->columnCount() > 0) m_events->DeleteColumn(0);
    int c = 0;
    for (const Column& column : deviationMode ? kDeviationColumns : kFaultColumns)
        m_events->InsertColumn(c++, QString::fromUtf8(column.title), column.align, column.width);
    m_events->WidenColumnsToTitles();
    if (!deviationMode) {
        for (int t = 1; t <= 3; ++t) m_events->WidenColumnFor(t, QStringLiteral("00:00:00.00"));
        // Start and end with the material's own time code beside them.
        if (materialClock)
            for (int t = 1; t <= 2; ++t) m_events->WidenColumnFor(t, QStringLiteral("00:00:00.00 (00:00:00:00)"));
    }
}

void CWndDetail::ShowResult() {
    m_showTimer.stop();
    const WaitCursor wait;
    setUpdatesEnabled(false);
    m_tree->clear();
    m_events->DeleteAllItems();
    m_pictures->DeleteAllItems();
    m_pictures->SetImageList({});
    std::optional<LoudnessRow> loudness;
    {
        CSqliteDb db;
        db.OpenTaskDb();
        m_detail.Load(db, m_result);
        LoudnessRow row;
        if (LoadLoudness(db, m_result.nID, row)) loudness = std::move(row);
    }
    SetColumns(m_detail.DeviationMode(), m_detail.Report().clock.has_value());
    const std::vector<DetailRow>& rows = m_detail.Rows();
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const DetailRow& row = rows[static_cast<size_t>(i)];
        m_events->InsertItem(i, QString::number(i + 1), row.icon);
        for (int c = 0; c < 4; ++c) m_events->SetItemText(i, c + 1, QString::fromStdString(row.texts[static_cast<size_t>(c)]));
    }
    if (!m_detail.DeviationMode()) {
        const std::vector<FaultInfo_t>& faults = m_detail.Faults();
        for (int i = 0; i < static_cast<int>(faults.size()); ++i) {
            const FaultInfo_t& f = faults[static_cast<size_t>(i)];
            const QImage picture = MakeFaultBitmap(f.pImage, f.nImageWidth, f.nImageHeight, kSnapshotWidth,
                                                   kSnapshotHeight, f.nValue, true,
                                                   m_detail.FaultChannelName(static_cast<size_t>(i)));
            m_pictures->InsertItem(i, {}, m_pictures->AddImage(QPixmap::fromImage(picture)));
        }
    }
    AddNodes(m_tree, m_detail.Tree(), nullptr);
    // The programme loudness after the content; "未测量" for a result without it.
    DetailNode loudnessNode{kLoudnessNodeTitle, -1, {}};
    for (const std::string& text : LoudnessNodeTexts(SummarizeLoudness(loudness)))
        loudnessNode.children.push_back({text, -1, {}});
    AddNodes(m_tree, {loudnessNode}, nullptr);
    m_loudnessGraph->SetLoudness(loudness);
    resizeEvent(nullptr);
    // The verdict and the content stay open; the media information opens when asked.
    m_tree->topLevelItem(1)->setExpanded(true);
    m_tree->topLevelItem(2)->setExpanded(true);
    setUpdatesEnabled(true);
}

void CWndDetail::OnPlayback() {
    const QList<QTableWidgetSelectionRange> selected = m_events->selectedRanges();
    if (selected.isEmpty()) {
        ShowMessage(this, QStringLiteral("请选择回放的记录！"));
        return;
    }
    PlayFrom(selected.first().topRow());
}

void CWndDetail::PlayFrom(int row) {
    if (row < 0 || row >= m_events->rowCount()) return;
    emit PlayRequested(m_playbackPath, m_detail.PlaybackRecord(row));
}

void CWndDetail::ExportHtml() {
    const QString folder = ChooseFolder(this, QStringLiteral("选择目标文件夹..."));
    if (folder.isEmpty() || !MayReplaceReport(this, folder)) return;
    const WaitCursor wait;
    // The outcome is not reported to the operator; a failure leaves what was written.
    WriteResultReport(folder.toStdString(), m_detail.Report());
}

void CWndDetail::OnEventRowChanged(int row) {
    if (row < 0 || !HoldsFocus(m_events) || row >= m_pictures->rowCount()) return;
    m_pictures->setFocus();
    m_pictures->setCurrentCell(row, 0);
    m_pictures->scrollToItem(m_pictures->item(row, 0));
}

void CWndDetail::OnPictureRowChanged(int row) {
    if (row < 0 || !HoldsFocus(m_pictures) || row >= m_events->rowCount()) return;
    const QSignalBlocker block(m_events);
    m_events->setCurrentCell(row, 0);
    m_events->scrollToItem(m_events->item(row, 0));
}

void CWndDetail::resizeEvent(QResizeEvent*) {
    const int w = width(), h = height();
    const int graph = m_loudnessGraph->isHidden() ? 0 : kLoudnessGraphHeight + 2;
    // 2 pixels at each side, 5 between the tree and the events, 3 between the events and the pictures.
    const int tree = qBound(kMinTreeWidth, w - kPictureListWidth - 14 - kMinEventsWidth, kTreeWidth);
    const int pictures = kPictureListWidth;
    m_tree->setGeometry(2, 40, tree, h - 42 - graph);
    m_loudnessGraph->setGeometry(2, h - 2 - kLoudnessGraphHeight, tree, kLoudnessGraphHeight);
    m_events->setGeometry(tree + 7, 40, qMax(0, w - tree - pictures - 14), h - 42);
    m_pictures->setGeometry(w - 4 - pictures, 40, pictures, h - 42);
}

void CLoudnessGraph::SetLoudness(const std::optional<LoudnessRow>& loudness) {
    m_loudness = loudness;
    setVisible(m_loudness.has_value());
    update();
}

void CLoudnessGraph::paintEvent(QPaintEvent*) {
    if (!m_loudness) return;
    QPainter painter(this);
    PaintLoudnessGraph(painter, rect(), *m_loudness);
}
