#include "GrabScreens.h"

#include "AboutDlg.h"
#include "AlertLight.h"
#include "ChildView.h"
#include "DlgOption.h"
#include "FaultKinds.h"
#include "FileOpenDialog.h"
#include "FtpDialog.h"
#include "FolderSource.h"
#include "DlgSyntaxItem.h"
#include "PageContent.h"
#include "PageSyntax.h"
#include "PageTarget.h"
#include "PageTask.h"
#include "ProgramFolder.h"
#include "Settings.h"
#include "SyntaxPageModel.h"
#include "TargetPageModel.h"
#include "TaskPageModel.h"
#include "MainFrame.h"
#include "MessageBox.h"
#include "GdiplusButton.h"
#include "MyListCtrl.h"
#include "MyTabCtrl.h"
#include "NetworkDlg.h"
#include "ACEdit.h"
#include "SqliteDb.h"
#include "TextField.h"
#include "VlcPlayer.h"
#include "WndBottom.h"
#include "WndAutoChk.h"
#include "WndCheck.h"
#include "WndDetail.h"
#include "WndGraph.h"
#include "WndHistory.h"
#include "WndManualChk.h"
#include "WndPreview.h"
#include "WndResult.h"
#include "WndTop.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidget>
#include <QMessageBox>
#include <QLinearGradient>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include <functional>
#include <map>
#include <vector>

using namespace quarvik;

namespace {

bool Save(QWidget& widget, const QString& path) {
    QApplication::processEvents();
    return widget.grab().save(path);
}

// Serves the GUI until cond holds or the time is up.
bool ServeUntil(const std::function<bool()>& cond, int ms) {
    const QDeadlineTimer deadline(ms);
    QTimer wake;
    wake.start(20);
    while (!cond()) {
        if (deadline.hasExpired()) return false;
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Blue-green-red pixels of a picture drawn by draw, top row first.
std::vector<uint8_t> Pixels(int width, int height, const std::function<void(QPainter&, const QRect&)>& draw) {
    QImage image(width, height, QImage::Format_BGR888);
    image.fill(Qt::black);
    {
        QPainter p(&image);
        draw(p, image.rect());
    }
    std::vector<uint8_t> pixels;
    for (int y = 0; y < height; ++y) pixels.insert(pixels.end(), image.constScanLine(y), image.constScanLine(y) + width * 3);
    return pixels;
}

void Bars(QPainter& p, const QRect& r) {
    const QColor bars[] = {Qt::white, Qt::yellow, Qt::cyan, Qt::green, Qt::magenta, Qt::red, Qt::blue};
    for (int i = 0; i < 7; ++i) p.fillRect(QRect(r.width() * i / 7, 0, r.width() / 7 + 1, r.height()), bars[i]);
}

void Scene(QPainter& p, const QRect& r, int hue) {
    QLinearGradient sky(0, 0, 0, r.height());
    sky.setColorAt(0, QColor::fromHsv(hue, 120, 230));
    sky.setColorAt(1, QColor::fromHsv((hue + 40) % 360, 200, 90));
    p.fillRect(r, sky);
    p.setBrush(QColor(250, 220, 120));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPoint(r.width() * 3 / 4, r.height() / 3), r.height() / 6, r.height() / 6);
}

void Blocks(QPainter& p, const QRect& r) {
    for (int y = 0; y < r.height(); y += 12)
        for (int x = 0; x < r.width(); x += 16) p.fillRect(QRect(x, y, 16, 12), QColor::fromHsv((x * 3 + y * 5) % 360, 160, 60 + (x + y) % 150));
}

// A week of sample results up to today, the first two with their details: one with fault
// events of every kind, one whose format check failed. Returns their ids.
std::pair<int, int> StoreSamples() {
    CSqliteDb db;
    if (!db.OpenTaskDb()) return {0, 0};
    const QDate today = QDate::currentDate();
    const char* names[] = {"晚间新闻.mxf", "体育快讯.ts", "天气预报.mxf", "纪录片-第3集.mp4", "广告-春节.ts", "少儿节目.mxf",
                           "财经频道.ts", "电影预告.mp4", "音乐现场.mxf", "新闻联播.ts", "综艺晚会.mxf", "戏曲欣赏.ts"};
    std::pair<int, int> ids{0, 0};
    for (int i = 0; i < 12; ++i) {
        ResultInfo_t r{};
        CopyField(r.szName, names[i]);
        CopyField(r.szFilename, std::string("/media/playout/") + names[i]);
        CopyField(r.szNewFilename, std::string("/media/playout/") + names[i]);
        r.nTaskID = -1;
        r.tmBegin = static_cast<int32_t>(QDateTime(today.addDays(-(i / 2)), QTime(18 - i, 5 * i, 0)).toSecsSinceEpoch());
        r.tmEnd = r.tmBegin + 600;
        r.nFrame = 15000;
        r.nFmtError = i == 1 ? kFormatInvalid : i % 4 == 3 ? kFormatNotChecked : kFormatValid;
        r.nSFCount = i == 0 ? 1 : i % 5 == 2 ? 2 : 0;
        r.nBBCount = i == 0 ? 2 : i % 3 == 2 ? 1 : 0;
        r.nNA1Count = i == 0 ? 1 : 0;
        r.nAH2Count = i % 6 == 4 ? 3 : 0;
        const std::vector<uint8_t> face = Pixels(40, 40, [i](QPainter& p, const QRect& rect) { Scene(p, rect, i * 30); });
        r.pFaceImage = face.data();
        r.nFaceImageSize = static_cast<int32_t>(face.size());
        r.nFacePicState = 1;
        int id = 0;
        if (!db.AddResult(id, r)) continue;
        // One that fails only on a kind of our own (counted in FaultCounts) is as red as any.
        if (i == 5) db.AddFault({id, kFaultGamutLevel, 0, 100, 120, 0, 0, 0, nullptr}, 1);
        if (i > 1) continue;
        const std::vector<std::pair<const char*, const char*>> media = {
            {"General", ""},         {" Format", "MXF"},          {" Duration", "10mn 0s"}, {" Overall bit rate", "50.0 Mbps"},
            {"Video", ""},           {" Format", "MPEG Video"},   {" Width", "1920"},       {" Height", "1080"},
            {" Frame rate", "25.000"}, {"Audio", ""},             {" Format", "PCM"},       {" Channel(s)", "2"},
            {" Sampling rate", "48.0 KHz"}};
        for (const auto& [feature, value] : media) db.AddMediaInfo(id, 0, feature, value);
        if (i == 1) {
            ids.second = id;
            db.AddSyntaxErr(id, "Video", "Width", "1920", "", "1440");
            db.AddSyntaxErr(id, "Video", "Frame rate", "25", "25.000", "29.970");
            db.AddSyntaxErr(id, "Audio", "Channel(s)", "2", "8", "1");
            continue;
        }
        ids.first = id;
        const std::vector<uint8_t> black = Pixels(160, 120, [](QPainter&, const QRect&) {});
        const std::vector<uint8_t> still = Pixels(160, 120, [](QPainter& p, const QRect& rect) { Scene(p, rect, 200); });
        const std::vector<uint8_t> bars = Pixels(160, 120, Bars);
        const std::vector<uint8_t> mosaic = Pixels(160, 120, Blocks);
        const struct {
            int32_t kind, value, begin, end;
            const std::vector<uint8_t>* picture;
        } faults[] = {{kFaultColourBars, 0, 0, 49, &bars},         {kFaultBlack, 0, 50, 74, &black},
                      {kFaultStillFrame, 0, 1800, 1925, &still},   {kFaultSilenceLeft, -72, 3000, 3110, nullptr},
                      {kFaultFlash, 0, 4500, 4620, &still},        {kFaultMosaic, 0, 6125, 6140, &mosaic},
                      {kFaultLumaLevel, 0, 7000, 7050, &bars},     {kFaultBlack, 0, 9000, 9030, &black},
                      {kFaultTooHighRight, -1, 12000, 12100, nullptr}};
        std::map<int32_t, int> counts;
        for (const auto& f : faults)
            db.AddFault({id, f.kind, f.value, f.begin, f.end, f.picture ? 24 : 0, f.picture ? 160 : 0, f.picture ? 120 : 0,
                         f.picture ? f.picture->data() : nullptr},
                        ++counts[f.kind]);
    }
    return ids;
}

// The frame with the history page, then with the detail page in both modes, over the samples.
bool GrabResultPages(CMainFrame& frame, const QDir& dir) {
    QTemporaryDir samples;
    const QByteArray home = qgetenv("QUARVIK_HOME");
    qputenv("QUARVIK_HOME", samples.path().toLocal8Bit());
    const auto [faulty, invalid] = StoreSamples();
    CWndBottom* bottom = frame.View()->Bottom();
    CWndHistory* history = bottom->History();
    bottom->ResultTabs()->setCurrentIndex(1);
    history->FromDate()->setDate(QDate::currentDate().addDays(-6));
    bool ok = Save(frame, dir.filePath(QStringLiteral("history.png")));
    const auto open = [&](int id, const QString& file) {
        const std::vector<ResultRow>& rows = history->Rows();
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].info.nID != id) continue;
            history->List()->selectRow(static_cast<int>(i));
            history->OnDetails();
            bottom->Detail()->ShowResult();
            // The third event selected, its picture with it.
            bottom->Detail()->Events()->setFocus();
            bottom->Detail()->Events()->setCurrentCell(2, 1);
            return Save(frame, dir.filePath(file));
        }
        return false;
    };
    ok = open(faulty, QStringLiteral("detail-faults.png")) && ok;
    ok = open(invalid, QStringLiteral("detail-deviations.png")) && ok;
    // Back to the program's own results.
    qputenv("QUARVIK_HOME", home);
    if (home.isEmpty()) qunsetenv("QUARVIK_HOME");
    history->Query();
    bottom->ResultTabs()->setCurrentIndex(0);
    bottom->ResultTabs()->removeTab(2);
    return ok;
}

// Rows for the pictures of the options pages: two targets, a template with two conditions and
// a task over both.
void MakePictureRows() {
    using namespace quarvik;
    PageCheck check;
    CTargetPageModel targets;
    targets.Add({"节目入库", kTargetFolder, "新闻中心上传的成片", "", "", "/srv/media/in", "", "", "30"}, check);
    targets.Add({"播出服务器", kTargetFtp, "每小时的节目单", "192.168.10.20", "21", "/playout", "qc", "secret", "60"},
                check);
    SyntaxFields syntax;
    syntax.name = "高清播出";
    syntax.comment = "1080i 播出文件";
    syntax.container = "MXF";
    syntax.video = true;
    syntax.videoFormat = "MPEG Video";
    syntax.audio = true;
    syntax.audioFormat = "PCM";
    MonSyntaxItem_t width{}, rate{};
    BuildCondition({"Video", "Width", 0, "1920", ""}, 0, width);
    BuildCondition({"Audio", "SamplingRate", 1, "44100", "48000"}, 0, rate);
    syntax.conditions = {width, rate};
    CSyntaxPageModel syntaxes;
    syntaxes.Add(syntax, check);
    targets.Load();
    syntaxes.Load();
    TaskFields task;
    task.name = "新闻频道";
    task.comment = "入库文件的格式与图像质量";
    task.targetId = targets.Targets().empty() ? 0 : targets.Targets().front().nID;
    task.syntax = true;
    task.syntaxId = syntaxes.Syntaxes().empty() ? 0 : syntaxes.Syntaxes().front().header.nID;
    task.picture = true;
    CTaskPageModel().Add(task, check);
    WriteSetting(kEnConvert, 1);
    WriteSetting(kDbServer, "PLAYOUT01\\SQLEXPRESS");
    WriteSetting(kDbUser, "qc");
    WriteDbPass("secret");
}

// The options pages, each with a row selected, from a program folder of their own: the
// operator's Templ.db and settings stay as they are.
bool GrabOptionPages(CMainFrame& frame, const QDir& dir) {
    QTemporaryDir home;
    const QByteArray previous = qgetenv("QUARVIK_HOME");
    const QString settings = QString::fromStdString(quarvik::ProgramFilePath(quarvik::kSettingsFile));
    QFile::copy(settings, home.filePath(QString::fromUtf8(quarvik::kSettingsFile)));
    qputenv("QUARVIK_HOME", home.path().toLocal8Bit());
    MakePictureRows();
    bool ok = true;
    {
        CDlgOption options(&frame, false);
        options.show();
        const auto grab = [&](int tab, const char* name) {
            options.SelectTab(tab);
            ok = Save(options, dir.filePath(QString::fromUtf8(name))) && ok;
        };
        options.Task()->SelectTask(0);
        grab(CDlgOption::kTabTask, "options-task.png");
        options.Target()->SelectTarget(0);
        grab(CDlgOption::kTabTarget, "options-target.png");
        options.Target()->SelectTarget(1);
        grab(CDlgOption::kTabTarget, "options-target-ftp.png");
        grab(CDlgOption::kTabContent, "options-content.png");
        // The rows of our own kinds lie below the fold: the flash row, scrolled into view.
        const auto& rows = quarvik::kContentRowCodes;
        options.Content()->SelectRow(
            static_cast<int>(std::find(rows.begin(), rows.end(), quarvik::kFaultFlash) - rows.begin()));
        grab(CDlgOption::kTabContent, "options-content-safety.png");
        options.Syntax()->SelectSyntax(0);
        grab(CDlgOption::kTabSyntax, "options-template.png");
        grab(CDlgOption::kTabResult, "options-result.png");
        const auto& syntaxes = options.Syntax()->Model().Syntaxes();
        if (!syntaxes.empty() && !syntaxes.front().items.empty()) {
            CDlgSyntaxItem item(&options, &syntaxes.front().items.back());
            item.show();
            ok = Save(item, dir.filePath(QStringLiteral("options-syntax-item.png"))) && ok;
        }
        options.hide();
    }
    if (previous.isNull())
        qunsetenv("QUARVIK_HOME");
    else
        qputenv("QUARVIK_HOME", previous);
    return ok;
}

// The FTP browse dialog in file mode listing a folder of a pyftpdlib server on 127.0.0.1 that
// serves sample programmes (sparse files, so their sizes cost no disk), with one file chosen, in
// the details view and in the icon view.
bool GrabFtpBrowse(QWidget* parent, const QDir& dir) {
    QTemporaryDir root;
    const QDir served(root.path());
    served.mkpath(QStringLiteral("节目/2026-12-09"));
    served.mkpath(QStringLiteral("节目/存档"));
    served.mkpath(QStringLiteral("素材"));
    const std::pair<const char*, qint64> files[] = {{"节目/晚间新闻.mxf", 1288490188},
                                                    {"节目/天气预报.ts", 89128960},
                                                    {"节目/专题片_第3集.mp4", 671088640},
                                                    {"节目/广告插播.mov", 33554432},
                                                    {"节目/播出单.txt", 2150},
                                                    {"upload.log", 18000}};
    for (const auto& [name, size] : files) {
        QFile file(served.filePath(QString::fromUtf8(name)));
        if (!file.open(QIODevice::WriteOnly) || !file.resize(size)) return false;
    }
    QProcess server;
    server.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QStringLiteral("import sys\n"
                                                       "from pyftpdlib.authorizers import DummyAuthorizer\n"
                                                       "from pyftpdlib.handlers import FTPHandler\n"
                                                       "from pyftpdlib.servers import FTPServer\n"
                                                       "a = DummyAuthorizer()\n"
                                                       "a.add_anonymous(sys.argv[1])\n"
                                                       "FTPHandler.authorizer = a\n"
                                                       "s = FTPServer(('127.0.0.1', 0), FTPHandler)\n"
                                                       "print(s.address[1], flush=True)\n"
                                                       "s.serve_forever()\n"),
                  root.path()});
    QByteArray port;
    const QDeadlineTimer started(15000);
    while (!port.contains('\n') && server.waitForReadyRead(int(qMax<qint64>(1, started.remainingTime()))))
        port += server.readAllStandardOutput();
    bool ok = port.trimmed().toInt() > 0;
    if (ok) {
        CFtpDialog dialog(CFtpDialog::kFiles, parent);
        dialog.HostCombo()->setCurrentText(QStringLiteral("127.0.0.1"));
        dialog.PortEdit()->setText(QString::fromLatin1(port.trimmed()));
        dialog.AnonymousCheck()->setChecked(true);
        dialog.show();
        const auto listed = [&dialog] { return ServeUntil([&dialog] { return !dialog.IsListing(); }, 30000); };
        dialog.Connect();
        ok = listed();
        for (int row = 0; ok && row < dialog.List()->GetItemCount(); ++row)
            if (dialog.List()->GetItemText(row, 0) == QStringLiteral("节目")) {
                dialog.OpenFolderRow(row);
                ok = listed();
                break;
            }
        ok = ok && dialog.List()->GetItemCount() > 0;
        if (ok) {
            dialog.List()->setFocus();
            dialog.List()->selectRow(2);
            ok = Save(dialog, dir.filePath(QStringLiteral("ftp-browse.png")));
            dialog.SetView(CFtpDialog::kIconView);
            ok = Save(dialog, dir.filePath(QStringLiteral("ftp-browse-icons.png"))) && ok;
        }
        dialog.hide();
    }
    if (!ok) std::fprintf(stderr, "ftp-browse.png: no listing from pyftpdlib on 127.0.0.1\n");
    server.kill();
    server.waitForFinished(5000);
    return ok;
}

// The network-address dialog over a history of its own, "u" typed: the list offers the
// addresses that begin with it.
bool GrabNetworkDialog(CMainFrame& frame, const QDir& dir) {
    QTemporaryDir history;
    const QByteArray home = qgetenv("QUARVIK_HOME");
    qputenv("QUARVIK_HOME", history.path().toLocal8Bit());
    QFile urls(QDir(history.path()).filePath(QStringLiteral("url.txt")));
    if (urls.open(QIODevice::WriteOnly))
        urls.write("udp://@239.1.1.1:1234\nhttp://127.0.0.1:8000/news/evening.ts\nudp://@:5004\n"
                   "rtp://@239.1.1.2:5004\nUDP://@239.1.1.9:1234\nftp://media.example.com/in/promo.mxf\n");
    urls.close();
    CNetworkDlg dialog(&frame);
    qputenv("QUARVIK_HOME", home);
    if (home.isEmpty()) qunsetenv("QUARVIK_HOME");
    dialog.show();
    dialog.activateWindow();
    dialog.Edit()->setFocus();
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_U, Qt::NoModifier, QStringLiteral("u"));
    QApplication::sendEvent(dialog.Edit(), &typed);
    ServeUntil([&] { return dialog.Edit()->List()->isVisible(); }, 2000);
    QApplication::processEvents();
    // The list is a window of its own: drawn into the picture where it stands.
    CACListWnd* list = dialog.Edit()->List();
    const QPoint origin = dialog.mapToGlobal(QPoint(0, 0));
    QRect area(QPoint(0, 0), dialog.size());
    const QRect listArea(list->mapToGlobal(QPoint(0, 0)) - origin, list->size());
    if (list->isVisible()) area = area.united(listArea);
    QPixmap picture(area.size());
    picture.fill(Qt::black);
    {
        QPainter p(&picture);
        p.drawPixmap(-area.topLeft(), dialog.grab());
        if (list->isVisible()) p.drawPixmap(listArea.topLeft() - area.topLeft(), list->grab());
    }
    dialog.hide();
    return picture.save(dir.filePath(QStringLiteral("network-dialog.png")));
}

}  // namespace

bool GrabScreens(CMainFrame& frame, const QString& folder) {
    const QDir dir(folder);
    bool ok = Save(frame, dir.filePath(QStringLiteral("main.png")));
    // The frame again with the alert light lit at its brightest (when EnAlertLight allows it).
    CWndTop* top = frame.View()->Top();
    top->LightOn();
    while (top->IsLightOn() && top->Light()->Frame() != CAlertLight::kFrameCount / 2) top->Light()->Advance();
    ok = Save(frame, dir.filePath(QStringLiteral("main-alert.png"))) && ok;
    ok = Save(*top, dir.filePath(QStringLiteral("top.png"))) && ok;
    top->LightOff();
    CDlgOption options(&frame, false);
    options.show();
    ok = Save(options, dir.filePath(QStringLiteral("options.png"))) && ok;
    options.hide();
    ok = GrabOptionPages(frame, dir) && ok;
    CDlgOption general(nullptr, true);
    general.show();
    ok = Save(general, dir.filePath(QStringLiteral("options-general.png"))) && ok;
    general.hide();
    CAboutDlg about(&frame);
    about.show();
    ok = Save(about, dir.filePath(QStringLiteral("about.png"))) && ok;
    about.hide();
    const auto question = quarvik::MakeMessageBox(&frame, QStringLiteral("确信退出吗?"), quarvik::MsgIcon::Question,
                                                  quarvik::MsgButtons::YesNoDefaultNo);
    question->show();
    ok = Save(*question, dir.filePath(QStringLiteral("message-box.png"))) && ok;
    question->hide();
    // The manual list's own dialog, in a folder of sample programmes with one of them chosen.
    QTemporaryDir samples;
    const std::pair<QString, qint64> programmes[] = {{QStringLiteral("晚间新闻.mxf"), 1288490188},
                                                     {QStringLiteral("天气预报.ts"), 89128960},
                                                     {QStringLiteral("专题片_第3集.mp4"), 671088640},
                                                     {QStringLiteral("广告插播.mov"), 33554432},
                                                     {QStringLiteral("播出单.txt"), 2150}};
    QStringList names;
    for (const auto& [name, size] : programmes) {
        // Sparse: the sizes cost no disk.
        QFile sample(QDir(samples.path()).filePath(name));
        ok = sample.open(QIODevice::WriteOnly) && sample.resize(size) && ok;
        names << name;
    }
    CFileOpenDialog files(&frame, samples.path());
    files.show();
    const QListView* listed = files.findChild<QListView*>(QStringLiteral("listView"));
    ServeUntil([&] { return listed && listed->model()->rowCount(listed->rootIndex()) >= names.size(); }, 5000);
    files.selectFile(QDir(samples.path()).filePath(names[0]));
    ok = Save(files, dir.filePath(QStringLiteral("file-dialog.png"))) && ok;
    files.hide();
    ok = GrabResultPages(frame, dir) && ok;
    ok = GrabFtpBrowse(&frame, dir) && ok;
    ok = GrabNetworkDialog(frame, dir) && ok;
    return ok;
}

bool GrabCheck(CMainFrame& frame, const QString& folder, const QString& mediaFile, const QString& picture) {
    CWndBottom* bottom = frame.View()->Bottom();
    CWndManualChk* manual = bottom->ManualCheck();
    manual->AddFiles({mediaFile});
    manual->MonitorButton()->click();
    manual->Start();
    if (!manual->IsChecking()) return false;
    const quarvik::CResultRecorder& results = bottom->Results()->Recorder();
    const CWndCheck* monitor = frame.View()->Top()->Check();
    const auto faultShown = [&] {
        const int last = results.Count() - 1;
        return last >= 0 && results.Row(last).colour == quarvik::RowColour::kRed && !monitor->Picture().isNull() &&
               monitor->Progress() > 0 && !monitor->Timeline()->Begins().empty();
    };
    ServeUntil(faultShown, 60000);
    // The list shows the newest rows at the bottom of a long history.
    manual->List()->scrollToBottom();
    const bool ok = Save(frame, QDir(folder).filePath(picture));
    manual->Stop();
    return ok;
}

bool GrabMinimumSize(CMainFrame& frame, const QString& folder, const QString& mediaFile) {
    frame.showNormal();
    frame.resize(CMainFrame::kMinWidth, CMainFrame::kMinHeight);
    const QString picture = QStringLiteral("main-%1x%2.png").arg(CMainFrame::kMinWidth).arg(CMainFrame::kMinHeight);
    const bool ok = mediaFile.isEmpty() ? Save(frame, QDir(folder).filePath(picture))
                                        : GrabCheck(frame, folder, mediaFile, picture);
    frame.showMaximized();
    return ok;
}

bool GrabTaskPane(CMainFrame& frame, const QString& folder, const QString& mediaFile) {
    if (QFileInfo(mediaFile).size() < kMinFolderFileSize) {
        std::fprintf(stderr, "quarvik: task-pane.png needs a file of %lld bytes at least: %s\n",
                     static_cast<long long>(kMinFolderFileSize), mediaFile.toLocal8Bit().constData());
        return false;
    }
    QTemporaryDir home;
    const QByteArray previous = qgetenv("QUARVIK_HOME");
    qputenv("QUARVIK_HOME", home.path().toLocal8Bit());
    const QDir sample(home.path());
    sample.mkdir(QStringLiteral("cache"));
    sample.mkdir(QStringLiteral("入库"));
    WriteSetting(kCachePath, sample.filePath(QStringLiteral("cache")).toStdString());
    {
        CSqliteDb db;
        MonObj_t target{};
        CopyField(target.szName, "节目入库");
        target.nType = kTargetFolder;
        target.nTimeSpan = 1;
        CopyField(target.szPath, sample.filePath(QStringLiteral("入库")).toStdString());
        MonTask_t task{};
        task.bActive = 1;
        CopyField(task.szName, "新闻频道");
        task.bPicute = 1;
        if (db.OpenTemplDb() && db.AddTarget(task.nTargetID, target)) db.AddTask(task, task.nID);
    }
    CWndBottom* bottom = frame.View()->Bottom();
    bottom->RebuildTaskTabs();
    auto* pane = qobject_cast<CWndAutoChk*>(bottom->Pane(1));
    bool ok = false;
    if (pane) {
        bottom->TaskTabs()->setCurrentIndex(1);
        bottom->ResultTabs()->setCurrentIndex(0);  // the result list, where the task's result comes
        pane->MonitorButton()->click();
        pane->Start();
        const QString dropped = sample.filePath(QStringLiteral("入库/") + QFileInfo(mediaFile).fileName());
        if (pane->IsChecking() && QFile::copy(mediaFile, dropped)) {
            const quarvik::CSubTaskList& tasks = pane->Tasks();
            const auto checking = [&] {
                return tasks.Count() > 0 && (tasks.Row(0).nState == kSubTaskDone ||
                                             (tasks.Row(0).nState == kSubTaskChecking && tasks.Row(0).nProgress > 0));
            };
            ServeUntil(checking, 60000);
            ok = Save(frame, QDir(folder).filePath(QStringLiteral("task-pane.png")));
        }
        pane->Stop();
    }
    if (previous.isNull())
        qunsetenv("QUARVIK_HOME");
    else
        qputenv("QUARVIK_HOME", previous);
    bottom->RebuildTaskTabs();
    return ok;
}

bool GrabPreview(CMainFrame& frame, const QString& folder, const QString& mediaFile) {
    CWndBottom* bottom = frame.View()->Bottom();
    CWndManualChk* manual = bottom->ManualCheck();
    const auto listed = [&]() -> const SubTaskInfo_t* {
        for (int row = 0; row < manual->Tasks().Count(); ++row)
            if (QString::fromUtf8(manual->Tasks().Row(row).szFilename) == mediaFile) return &manual->Tasks().Row(row);
        return nullptr;
    };
    if (!listed()) manual->AddFiles({mediaFile});
    if (!manual->IsChecking()) manual->Start();
    const bool checked = ServeUntil([&] { return listed() && listed()->nState == kSubTaskDone; }, 180000);
    const int32_t subTask = listed() ? listed()->nID : 0;
    manual->Stop();
    if (!checked) return false;
    // The newest result of the file, opened as the operator opens it from the list.
    const CResultRecorder& results = bottom->Results()->Recorder();
    const ResultRow_t* result = nullptr;
    for (int row = 0; row < results.Count(); ++row)
        if (results.Row(row).info.nSubTaskID == subTask && (!result || results.Row(row).info.nID > result->info.nID))
            result = &results.Row(row);
    if (!result) return false;
    bottom->OpenResult(result->info);
    CWndDetail* detail = bottom->Detail();
    detail->ShowResult();
    const int events = detail->Events()->rowCount();
    if (events == 0) return false;
    detail->Events()->setCurrentCell(events - 1, 1);
    detail->OnPlayback();
    CWndPreview* preview = frame.View()->Top()->Preview();
    // Playing, past the seek, and the timeline and the clock moved by the window's own timer.
    ServeUntil([&] { return preview->Player()->IsPlaying() && preview->TimeText() != QStringLiteral("00:00:00"); }, 20000);
    ServeUntil([] { return false; }, 1500);
    const QRect area(preview->mapTo(&frame, QPoint(0, 0)), preview->size());
    QScreen* screen = frame.screen();
    QPixmap picture = screen ? screen->grabWindow(frame.winId(), area.x(), area.y(), area.width(), area.height()) : QPixmap();
    // Without a display the video goes nowhere: the window's own drawing is the picture.
    if (picture.isNull() || QGuiApplication::platformName() != QLatin1String("xcb")) picture = preview->grab();
    const bool ok = picture.save(QDir(folder).filePath(QStringLiteral("preview.png")));
    preview->Player()->Stop();
    return ok;
}
