// What an X server shows of the top bar: the screen is captured (the root window), not the
// widgets' own rendering, so a window that is mapped but never drawn is caught. Runs under Xvfb
// on the xcb platform (see CMakeLists.txt).
#include "QtTestSupport.h"

#include "AlertLight.h"
#include "MainFrame.h"
#include "Settings.h"
#include "WindowManager.h"
#include "WndTop.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

// The screen as the X server holds it.
QImage Screen() { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); }

bool IsRed(QRgb c) { return qRed(c) > 150 && qRed(c) > qGreen(c) + 80 && qRed(c) > qBlue(c) + 80; }

// Share of red pixels in the middle third of the lamp as the screen shows it.
double RedShare(const CAlertLight* light) {
    const QImage screen = Screen();
    const QRect box = light->rect();
    const QPoint origin = light->mapToGlobal(QPoint(0, 0));
    const QRect middle(origin + QPoint(box.width() / 3, box.height() / 3), QSize(box.width() / 3, box.height() / 3));
    int red = 0, all = 0;
    for (int y = middle.top(); y <= middle.bottom(); y += 2) {
        for (int x = middle.left(); x <= middle.right(); x += 2) {
            if (!screen.rect().contains(x, y)) continue;
            ++all;
            red += IsRed(screen.pixel(x, y)) ? 1 : 0;
        }
    }
    return all == 0 ? 0.0 : static_cast<double>(red) / all;
}

// Lets the X server and the program draw; the light advances a few frames meanwhile.
void Settle() {
    QApplication::sync();
    QTest::qWait(400);
    QApplication::sync();
}

xcb_connection_t* Connection() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// The size the X server gives the window.
QSize ServerSize(const QWidget* window) {
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(Connection(), xcb_get_geometry(Connection(), static_cast<xcb_drawable_t>(window->winId())), nullptr);
    if (!geometry) return {};
    const QSize size(geometry->width, geometry->height);
    std::free(geometry);
    return size;
}

}  // namespace

class ScreenTest : public QObject {
    Q_OBJECT
private slots:
    void alertLightIsOnTheScreen() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        TempHome home;
        QVERIFY(quarvik::WriteSetting(quarvik::kEnAlertLight, 1));
        CWndTop top;
        top.setGeometry(0, 0, 1000, 300);
        top.show();
        QVERIFY(QTest::qWaitForWindowExposed(&top));
        Settle();
        // Out: the bar's own dark background there.
        QVERIFY(RedShare(top.Light()) < 0.05);

        top.OnCheckReport(1);
        QVERIFY(top.IsLightOn());
        Settle();
        QVERIFY2(RedShare(top.Light()) > 0.5, "the lit lamp is not on the screen");

        // Larger and smaller again (as maximised and restored): drawn at its new place and size.
        top.setGeometry(0, 0, 1600, 400);
        QTRY_COMPARE_WITH_TIMEOUT(top.width(), 1600, 5000);
        Settle();
        QVERIFY2(RedShare(top.Light()) > 0.5, "the lamp is gone in the larger bar");
        top.setGeometry(0, 0, 1000, 300);
        QTRY_COMPARE_WITH_TIMEOUT(top.width(), 1000, 5000);
        Settle();
        QVERIFY2(RedShare(top.Light()) > 0.5, "the lamp is gone in the smaller bar");

        top.LightOff();
        Settle();
        QVERIFY(RedShare(top.Light()) < 0.05);
    }

    // Another client makes the main window smaller than its least size, which no window manager
    // prevents here: it grows back, on the server too.
    void mainWindowKeepsItsLeastSizeWithoutWindowManager() {
        QVERIFY(!quarvik::HasWindowManager());
        TempHome home;
        QVERIFY(QDir(home.Path()).mkdir(QStringLiteral("cache")));
        CMainFrame frame;
        frame.SetMaximisesItself(true);
        frame.setGeometry(20, 20, 900, 700);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        const uint32_t size[] = {400, 300};
        xcb_configure_window(Connection(), static_cast<xcb_window_t>(frame.winId()),
                             XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
        xcb_flush(Connection());
        Settle();
        QTRY_COMPARE_WITH_TIMEOUT(frame.size(), QSize(CMainFrame::kMinWidth, CMainFrame::kMinHeight), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(ServerSize(&frame), QSize(CMainFrame::kMinWidth, CMainFrame::kMinHeight), 5000);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ScreenTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ScreenTest.moc"
