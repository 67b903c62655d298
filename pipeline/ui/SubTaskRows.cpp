#include "SubTaskRows.h"

#include "FileDisplay.h"
#include "GdiplusButton.h"
#include "ListPictures.h"
#include "MessageBox.h"
#include "MyListCtrl.h"
#include "StateColours.h"

#include <QApplication>

#include <vector>

using namespace quarvik;

namespace {

constexpr int kButtonWidth = 64, kButtonHeight = 28, kButtonGap = 6, kButtonLine = 34;

QString SizeText(int64_t bytes) { return QString::asprintf("%.2f M", static_cast<double>(bytes) / 1048576.0); }

void FillState(CMyListCtrl& list, const CSubTaskList& tasks, int row) {
    // Until a file has a state to show, its size stands in the state column.
    const std::string state = tasks.StateText(row);
    list.SetItemText(row, kSubTaskStateColumn,
                     state.empty() ? SizeText(tasks.Row(row).llFileSize) : QString::fromStdString(state));
    const StateColour* failure = FailureColourOf(tasks.Row(row).nState);
    list.SetItemTextColor(row, failure ? ToQColor(*failure) : list.TextColour());
}

}  // namespace

void SetUpSubTaskColumns(CMyListCtrl& list, int stateWidth) {
    list.InsertColumn(0, QStringLiteral("序号"), Qt::AlignLeft, 44);
    list.InsertColumn(1, QStringLiteral("文件"), Qt::AlignLeft, 240);
    list.InsertColumn(kSubTaskStateColumn, QStringLiteral("状态"), Qt::AlignHCenter, stateWidth);
    // Fonts wider than the list was laid out for get wider columns rather than cut progress texts.
    list.WidenColumnsToTitles();
    list.WidenColumnFor(kSubTaskStateColumn, QStringLiteral("图像检测中: 100 %"));
    // The row number shows beside its thumbnail.
    list.WidenColumnFor(0, QStringLiteral("9999"), kListPictureSide);
    list.setTextElideMode(Qt::ElideMiddle);
    list.SetItemHeight(kListPictureSide + 2);
    list.setSelectionMode(QAbstractItemView::ExtendedSelection);
    list.setContextMenuPolicy(Qt::CustomContextMenu);
}

void InsertSubTaskRow(CMyListCtrl& list, const CSubTaskList& tasks, int row) {
    list.InsertItem(row, QString::number(row + 1), list.AddImage(ThumbnailFromBgr(tasks.FaceImage(row))));
    list.SetItemText(row, 1, QString::fromStdString(DisplayFileName(tasks.Row(row).szFilename)));
    FillState(list, tasks, row);
}

void UpdateSubTaskRow(CMyListCtrl& list, const CSubTaskList& tasks, int row) {
    list.SetImage(row, ThumbnailFromBgr(tasks.FaceImage(row)));
    FillState(list, tasks, row);
}

void ReloadSubTaskRows(CMyListCtrl& list, const CSubTaskList& tasks) {
    list.setUpdatesEnabled(false);
    list.DeleteAllItems();
    list.SetImageList({});
    for (int row = 0; row < tasks.Count(); ++row) InsertSubTaskRow(list, tasks, row);
    list.setUpdatesEnabled(true);
}

void ShowSubTaskStateAt(QWidget* parent, const CMyListCtrl& list, const CSubTaskList& tasks, const QPoint& pos) {
    const int row = list.rowAt(pos.y());
    if (row >= 0 && row < tasks.Count()) ShowMessage(parent, QString::fromStdString(tasks.StateText(row)));
}

void DeleteSelectedSubTasks(QWidget* parent, const CMyListCtrl& list, CSubTaskList& tasks) {
    std::vector<int> rows;
    for (const QModelIndex& index : list.selectionModel()->selectedRows()) rows.push_back(index.row());
    if (rows.empty()) {
        ShowMessage(parent, QStringLiteral("请选择要删除的记录！"), MsgIcon::Exclamation);
        return;
    }
    const QString question = QStringLiteral("%1 条记录将被删除，确信继续吗？").arg(rows.size());
    if (ShowMessage(parent, question, MsgIcon::Question, MsgButtons::YesNoDefaultNo) != MsgAnswer::Yes) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    tasks.Delete(std::move(rows));
    QApplication::restoreOverrideCursor();
}

void LayOutSubTaskPane(QWidget& pane, const std::vector<CGdiplusButton*>& buttons, CMyListCtrl& list) {
    std::vector<CGdiplusButton*> shown;
    for (CGdiplusButton* button : buttons)
        if (button->isVisibleTo(&pane)) shown.push_back(button);
    const int width = pane.width();
    int buttonWidth = kButtonWidth;
    if (4 + static_cast<int>(shown.size()) * (kButtonWidth + kButtonGap) - kButtonGap > width - 4) {
        buttonWidth = 0;
        for (const CGdiplusButton* button : shown)
            buttonWidth = qMax(buttonWidth, button->fontMetrics().horizontalAdvance(button->text()) + 16);
        buttonWidth = qMin(buttonWidth, kButtonWidth);
    }
    int x = 4, y = 6;
    for (CGdiplusButton* button : shown) {
        if (x > 4 && x + buttonWidth > width - 4) {
            x = 4;
            y += kButtonLine;
        }
        button->setGeometry(x, y, buttonWidth, kButtonHeight);
        x += buttonWidth + kButtonGap;
    }
    const int top = y + kButtonLine;
    list.setGeometry(2, top, width - 4, pane.height() - top - 2);
}
