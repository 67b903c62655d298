#include "DemoWindow.h"

#include "GdiplusButton.h"
#include "MyDialog.h"
#include "MyFrameWnd.h"
#include "MyGroupBox.h"
#include "MyListCtrl.h"
#include "MySplitWnd.h"
#include "MyTabCtrl.h"
#include "MyTreeCtrl.h"
#include "TimeCode.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>

namespace {

// Our own 16 x 16 pictures: a film frame, a passed mark, a fault mark.
QPixmap Picture(int kind) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    if (kind == 0) {
        p.fillRect(QRect(1, 3, 14, 10), QColor(90, 120, 160));
        for (int x = 2; x < 15; x += 3) {
            p.fillRect(QRect(x, 4, 1, 1), Qt::black);
            p.fillRect(QRect(x, 11, 1, 1), Qt::black);
        }
    } else if (kind == 1) {
        p.setBrush(QColor(0, 160, 0));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRect(2, 2, 12, 12));
        p.setPen(QPen(Qt::white, 2));
        p.drawPolyline(QPolygon{QPoint(5, 8), QPoint(7, 10), QPoint(11, 5)});
    } else {
        p.setBrush(QColor(200, 40, 30));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRect(2, 2, 12, 12));
        p.setPen(QPen(Qt::white, 2));
        p.drawLine(5, 5, 11, 11);
        p.drawLine(11, 5, 5, 11);
    }
    return pm;
}

}  // namespace

CMyFrameWnd* BuildDemoWindow(QMenu* menu, bool still) {
    QIcon appIcon(Picture(0));
    auto* frame = new CMyFrameWnd(appIcon, menu);
    frame->setWindowTitle(QStringLiteral("Quarvik 自动技审 — Brindle"));
    auto* page = new CMyDialog;
    frame->SetCentralWidget(page);
    frame->resize(1200, 860);

    const QList<QPixmap> pictures{Picture(0), Picture(1), Picture(2)};
    auto* tabs = new CMyTabCtrl(page);
    tabs->SetImageList(pictures);
    tabs->InsertItem(0, QStringLiteral("手动检测"), 0);
    tabs->InsertItem(1, QStringLiteral("FTP 任务"), 1);
    tabs->InsertItem(2, QStringLiteral("检测结果"), 2);
    tabs->setGeometry(8, 6, 420, 26);

    auto* tree = new CMyTreeCtrl(page);
    tree->SetImageList(pictures);
    auto* root = tree->InsertItem(QStringLiteral("监控任务"), 0);
    tree->InsertItem(QStringLiteral("本地文件夹"), 1, root);
    tree->InsertItem(QStringLiteral("移动磁盘"), 2, root);
    auto* ftp = tree->InsertItem(QStringLiteral("FTP 服务器"), 0, root);
    tree->InsertItem(QStringLiteral("新闻中心"), 1, ftp);
    tree->InsertItem(QStringLiteral("广告部"), 1, ftp);
    tree->InsertItem(QStringLiteral("UDP 流录制"), 0, root);
    auto* done = tree->InsertItem(QStringLiteral("历史记录"), 0);
    tree->InsertItem(QStringLiteral("今天"), 1, done);
    tree->InsertItem(QStringLiteral("本周"), 1, done);
    tree->expandAll();
    tree->setGeometry(8, 36, 180, 240);

    auto* split = new CMySplitWnd(QRect(192, 36, 4, 240), page, 1);
    split->SetRange(120, 400);

    auto* list = new CMyListCtrl(page);
    list->setGeometry(200, 36, 680, 240);
    list->SetImageList(pictures);
    list->SetSubImageList(pictures);
    list->SetItemHeight(22);
    list->EnableGridLine(true);
    list->EnableCheckBoxes(true);
    // The names edit in a line, the states from a drop-down.
    list->InsertColumn(0, QStringLiteral("文件名"), Qt::AlignLeft, 220, 1);
    list->InsertColumn(1, QStringLiteral("状态"), Qt::AlignLeft, 120, 4,
                       {QStringLiteral("等待检测中"), QStringLiteral("检测完毕"), QStringLiteral("格式非法")});
    list->InsertColumn(2, QStringLiteral("黑场"), Qt::AlignRight, 60);
    list->InsertColumn(3, QStringLiteral("静音"), Qt::AlignRight, 60);
    list->InsertColumn(4, QStringLiteral("时长"), Qt::AlignRight, 110);
    list->InsertColumn(5, QStringLiteral("大小 (MB)"), Qt::AlignRight, 110);
    const char* states[] = {"检测完毕", "等待检测中", "格式非法", "检测完毕"};
    for (int i = 0; i < 9; ++i) {
        const int row = list->InsertItem(i, QStringLiteral("news_%1.ts").arg(i + 1), 0);
        list->SetItemText(row, 1, QString::fromUtf8(states[i % 4]));
        list->SetItemImage(row, 1, i % 4 == 2 ? 2 : 1);
        list->SetItemText(row, 2, QString::number(i % 4 * 2));
        list->SetItemText(row, 3, QString::number(i % 2));
        list->SetItemText(row, 4, brindle::TimeCodeText(25 * (95 + 61 * i) + 3 * i));
        list->SetItemText(row, 5, QString::number(12 + 37 * i));
    }
    list->SetItemTextColor(2, QColor(255, 60, 60));
    list->SetCheck(0, true);
    if (still) {
        list->openPersistentEditor(list->item(3, 0));
        list->EditCell(1, 1);
    }

    auto* group = new CMyGroupBox(QStringLiteral("声光报警"), page, 10);
    group->setGeometry(8, 290, 420, 120);
    auto* label = new QLabel(QStringLiteral("缓存路径:"), group);
    label->setGeometry(12, 30, 80, 22);
    auto* edit = new QLineEdit(QStringLiteral("/var/cache/quarvik"), group);
    edit->setGeometry(92, 30, 300, 22);
    auto* check = new QCheckBox(QStringLiteral("启用报警灯"), group);
    check->setGeometry(12, 64, 200, 22);
    group->SetTitleStyle(CMyGroupBox::kCheckTitle);
    group->SetCheck(true);

    auto* off = new CMyGroupBox(QStringLiteral("FTP 设置 (未选)"), page, 11);
    off->setGeometry(440, 290, 440, 120);
    auto* offEdit = new QLineEdit(QStringLiteral("ftp://192.168.1.10/in"), off);
    offEdit->setGeometry(12, 30, 300, 22);
    off->SetTitleStyle(CMyGroupBox::kCheckTitle);
    off->SetCheck(false);

    auto* start = new CGdiplusButton(QStringLiteral("开始检测"), page);
    start->SetIconID(QIcon(Picture(1)), 16);
    start->SetToolTipText(QStringLiteral("开始检测列表中的文件"));
    start->setGeometry(8, 424, 120, 32);
    auto* stop = new CGdiplusButton(QStringLiteral("停止"), page);
    stop->SetIconID(QIcon(Picture(2)), 16);
    stop->setGeometry(136, 424, 120, 32);
    auto* green = new CGdiplusButton(QStringLiteral("导出报告"), page);
    green->SetBackColor(QColor(80, 200, 80), QColor(0, 90, 0));
    green->setGeometry(264, 424, 120, 32);
    auto* disabled = new CGdiplusButton(QStringLiteral("删除"), page);
    disabled->setEnabled(false);
    disabled->setGeometry(392, 424, 120, 32);
    AddMoreControls(page, pictures, still);
    return frame;
}
