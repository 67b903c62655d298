// The second half of the demo window: the displays, edits, bars and pictures of the library.
#include "DemoWindow.h"

#include "DigitalClock.h"
#include "GdiPlusBitmap.h"
#include "MaskedEdit.h"
#include "MyGraph.h"
#include "MyGroupBox.h"
#include "PictureButtons.h"
#include "SimpleControls.h"
#include "TimeCode.h"
#include "ToolBars.h"

#include <QBuffer>
#include <QtMath>

namespace {

// Label and edit pairs in two columns of a group box, 28 pixels a row.
void PlaceEdit(CMyGroupBox* group, int index, const QString& title, QWidget* edit) {
    const int x = 12 + (index % 2) * 284, y = 28 + (index / 2) * 28;
    auto* label = new CLabel(title, group);
    label->setGeometry(x, y, 72, 22);
    edit->setParent(group);
    edit->setGeometry(x + 74, y, 190, 22);
}

void AddEdits(QWidget* page) {
    auto* group = new CMyGroupBox(QStringLiteral("输入格式"), page, 12);
    group->setGeometry(8, 512, 580, 180);
    auto* alnum = new CAMSAlphanumericEdit(20, QStringLiteral("/\\:*?\"<>|"));
    alnum->setText(QStringLiteral("news_1"));
    PlaceEdit(group, 0, QStringLiteral("文件名:"), alnum);
    auto* phone = new CAMSMaskedEdit(QStringLiteral("###-####-####"));
    phone->setText(QStringLiteral("010-8888-6666"));
    PlaceEdit(group, 1, QStringLiteral("电话:"), phone);
    auto* numeric = new CAMSNumericEdit;
    numeric->Numeric().SetRange(-100, 100);
    numeric->SetValue(-23.5);
    PlaceEdit(group, 2, QStringLiteral("电平 dB:"), numeric);
    auto* integer = new CAMSIntegerEdit;
    integer->SetValue(1920);
    PlaceEdit(group, 3, QStringLiteral("宽度:"), integer);
    auto* money = new CAMSCurrencyEdit;
    money->SetValue(1234567.5);
    PlaceEdit(group, 4, QStringLiteral("金额:"), money);
    auto* date = new CAMSDateEdit;
    date->SetDate(QDate(2026, 12, 9));
    PlaceEdit(group, 5, QStringLiteral("日期:"), date);
    auto* time = new CAMSTimeEdit;
    time->SetTime(QTime(18, 30, 0));
    PlaceEdit(group, 6, QStringLiteral("时间:"), time);
    auto* when = new CAMSDateTimeEdit;
    when->SetDateTime(QDateTime(QDate(2026, 12, 9), QTime(18, 30, 5)));
    PlaceEdit(group, 7, QStringLiteral("播出:"), when);
    auto* multi = new CAMSMultiMaskedEdit(QStringLiteral("###.##"));
    multi->setText(QStringLiteral("25.00"));
    PlaceEdit(group, 8, QStringLiteral("帧率:"), multi);
    auto* timecode = new CTimeEdit;
    timecode->SetFrames(25 * 3600 + 12);
    PlaceEdit(group, 9, QStringLiteral("入点:"), timecode);
}

QPixmap Swatch(const QColor& colour) {
    QPixmap pm(28, 28);
    pm.fill(colour);
    return pm;
}

void AddOthers(QWidget* page, const QList<QPixmap>& pictures) {
    auto* group = new CMyGroupBox(QStringLiteral("其他控件"), page, 13);
    group->setGeometry(600, 512, 588, 180);
    auto* level = new CLabel(QStringLiteral("音量: 70"), group);
    level->setGeometry(12, 28, 80, 22);
    auto* slider = new CMySliderCtrl(group);
    slider->SetRange(0, 100);
    slider->SetPos(70);
    slider->SetTicFreq(10);
    slider->setGeometry(96, 26, 230, 28);
    QObject::connect(slider, &QSlider::valueChanged, level,
                     [level](int v) { level->setText(QStringLiteral("音量: %1").arg(v)); });
    auto* progress = new CMyProgressCtrl(group);
    progress->SetRange(0, 200);
    progress->SetPos(130);
    progress->setGeometry(12, 62, 314, 22);
    auto* edit = new CMyEdit(QStringLiteral("备注: 第二段音频偏低"), group);
    edit->SetLimitText(40);
    edit->setGeometry(12, 94, 314, 22);
    auto* notice = new CLabel(QStringLiteral("  检测完毕: 无故障"), group);
    notice->SetTextColor(QColor(255, 255, 255));
    notice->SetBkColor(QColor(0, 136, 0));
    notice->SetFontBold(true);
    notice->setGeometry(12, 126, 314, 24);

    // A picture button from the library's own close-button pictures.
    const CGdiPlusBitmapResource normal(465), hover(479), pressed(478);
    auto* close = new CGdipButton(group);
    close->SetImages(normal.Pixmap(), hover.Pixmap(), pressed.Pixmap());
    close->setGeometry(340, 28, 45, 23);
    close->setToolTip(QStringLiteral("关闭"));
    auto* swatch = new CGdipButton(group);
    swatch->SetImages(Swatch(QColor(0, 120, 200)), Swatch(QColor(0, 150, 240)), Swatch(QColor(0, 90, 150)));
    swatch->setGeometry(396, 26, 28, 28);
    // A picture read back from PNG bytes, as a file or download would hand it over.
    QByteArray png;
    QBuffer sink(&png);
    sink.open(QIODevice::WriteOnly);
    pictures.value(0).scaled(32, 32).save(&sink, "PNG");
    CGdiPlusBitmap logo;
    logo.LoadFromData(png);
    auto* picture = new CLabel(QString(), group);
    picture->setPixmap(logo.Pixmap());
    picture->setGeometry(436, 24, 32, 32);

    auto* alarm = new CGdiplusCheckButton(QStringLiteral("报警灯"), group);
    alarm->SetCheck(true);
    alarm->setGeometry(340, 62, 110, 28);
    auto* sound = new CGdiplusCheckButton(QStringLiteral("报警声"), group);
    sound->setGeometry(460, 62, 110, 28);
    auto* fonts = new CFontPreviewCombo(group);
    fonts->setGeometry(340, 96, 230, 24);
    auto* hint = new CLabel(QStringLiteral("报告字体"), group);
    hint->setGeometry(340, 126, 230, 24);
}

void AddDisplays(QWidget* page, bool still) {
    auto* clock = new CDigitalClock(page);
    if (still) clock->SetTime(QTime(18, 30, 5));
    else clock->Start();
    clock->setGeometry(892, 6, 296, 50);
    auto* pair = new CTcWnd2(page);
    pair->SetDuration(25 * 60 * 30);
    pair->SetPosition(25 * 75 + 12);
    pair->setGeometry(892, 62, 296, 26);
    auto* tc = new CTcWnd(page);
    tc->SetFrames(25 * 3600 + 25 * 61 + 3);
    tc->setGeometry(892, 94, 144, 24);
    auto* duration = new CTimeWnd(page);
    duration->SetSeconds(5400);
    duration->setGeometry(1044, 94, 144, 24);

    auto* tasks = new CListTreeCtrl(page);
    tasks->SetColumns({QStringLiteral("任务"), QStringLiteral("文件数")}, {200, 60});
    QTreeWidgetItem* folder = tasks->InsertRow({QStringLiteral("本地文件夹"), QStringLiteral("12")});
    tasks->SetCheck(tasks->InsertRow({QStringLiteral("/srv/in/news"), QStringLiteral("8")}, folder), true);
    tasks->InsertRow({QStringLiteral("/srv/in/ads"), QStringLiteral("4")}, folder);
    QTreeWidgetItem* ftp = tasks->InsertRow({QStringLiteral("FTP 服务器"), QStringLiteral("3")});
    tasks->SetCheck(tasks->InsertRow({QStringLiteral("ftp://10.0.0.5/in"), QStringLiteral("3")}, ftp), true);
    QTreeWidgetItem* disk = tasks->InsertRow({QStringLiteral("移动磁盘"), QStringLiteral("1")});
    tasks->InsertRow({QStringLiteral("/media/usb0"), QStringLiteral("1")}, disk);
    tasks->expandAll();
    tasks->setGeometry(892, 124, 296, 152);

    const CSystemImageList icons(16);
    auto* files = new CMyListBox(page);
    files->SetImageList(icons.Pixmaps());
    for (const auto& [name, folder] : {std::pair{QStringLiteral(".."), true}, {QStringLiteral("节目"), true},
                                       {QStringLiteral("news_1.ts"), false}, {QStringLiteral("music.wav"), false},
                                       {QStringLiteral("logo.png"), false}, {QStringLiteral("report.txt"), false},
                                       {QStringLiteral("readme"), false}})
        files->AddString(name, CSystemImageList::KindOf(name, folder));
    files->SetCurSel(2);
    files->setGeometry(892, 290, 296, 166);
}

void AddBars(QWidget* page, const QList<QPixmap>& pictures) {
    auto* bar = new CMyToolBar(page);
    bar->AddButton(1, QIcon(pictures.value(0)), QStringLiteral("打开"));
    bar->AddButton(2, QIcon(pictures.value(1)), QStringLiteral("开始"));
    bar->AddButton(3, QIcon(pictures.value(2)), QStringLiteral("停止"));
    bar->SetButtonEnabled(3, false);
    bar->setGeometry(8, 468, 580, 36);
    auto* big = new CToolBar24(page);
    big->AddButton(1, pictures.value(0), QStringLiteral("预览"));
    big->AddButton(2, pictures.value(1), QStringLiteral("通过"));
    big->AddButton(3, pictures.value(2), QStringLiteral("故障"));
    big->AddSeparator();
    big->AddButton(4, pictures.value(0), QStringLiteral("导出"));
    big->setGeometry(600, 468, 588, 36);
}

void AddGraph(QWidget* page) {
    auto* graph = new CMyGraph(page);
    graph->SetRange(-60, 0);
    graph->SetCapacity(300);
    for (int i = 0; i < 300; ++i) graph->AddPoint(-23 + 9 * qSin(i / 9.0) + 4 * qSin(i / 2.3) - (i > 200 && i < 230 ? 30 : 0));
    graph->setGeometry(8, 700, 1180, 110);
}

}  // namespace

void AddMoreControls(QWidget* page, const QList<QPixmap>& pictures, bool still) {
    AddDisplays(page, still);
    AddBars(page, pictures);
    AddEdits(page);
    AddOthers(page, pictures);
    AddGraph(page);
}
