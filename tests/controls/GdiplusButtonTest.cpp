// The gradient button: its tooltip on hover, its face, and clicks when not clickable.
#include "ControlsTest.h"

#include "GdiplusButton.h"

#include <QHelpEvent>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

namespace {

bool Near(QColor a, QColor b) {
    return qAbs(a.red() - b.red()) < 24 && qAbs(a.green() - b.green()) < 24 && qAbs(a.blue() - b.blue()) < 24;
}

}  // namespace

class GdiplusButtonTest : public QObject {
    Q_OBJECT
private slots:
    void TooltipShowsOnHoverAndCanBeDeactivated() {
        CGdiplusButton button(QStringLiteral("开始"));
        button.resize(100, 30);
        button.show();
        button.SetToolTipText(QStringLiteral("开始检测列表中的文件"));
        QHelpEvent hover(QEvent::ToolTip, QPoint(10, 10), button.mapToGlobal(QPoint(10, 10)));
        QCoreApplication::sendEvent(&button, &hover);
        QCOMPARE(QToolTip::text(), QStringLiteral("开始检测列表中的文件"));
        QToolTip::hideText();
        button.SetToolTipText(QStringLiteral("不应显示"), false);
        QVERIFY(button.toolTip().isEmpty());
    }

    void FaceIsAVerticalGradientReversedWhilePressed() {
        CGdiplusButton button;
        button.resize(80, 40);
        button.SetBackColor(QColor(255, 0, 0), QColor(0, 0, 255));
        const QPoint top(40, 3), bottom(40, 36);
        QImage face = button.grab().toImage();
        QVERIFY(Near(face.pixelColor(top), QColor(255, 0, 0)));
        QVERIFY(Near(face.pixelColor(bottom), QColor(0, 0, 255)));
        button.setDown(true);
        face = button.grab().toImage();
        QVERIFY(Near(face.pixelColor(top), QColor(0, 0, 255)));
        QVERIFY(Near(face.pixelColor(bottom), QColor(255, 0, 0)));
        button.setDown(false);
        button.SetDefaultBackColor();
        QVERIFY(Near(button.grab().toImage().pixelColor(top), QColor(192, 192, 192)));
        // Rounded corners: the very corner pixel is not the face.
        QVERIFY(!Near(button.grab().toImage().pixelColor(0, 0), QColor(192, 192, 192)));
    }

    void ClicksOnlyWhenClickable() {
        CGdiplusButton button(QStringLiteral("删除"));
        button.resize(80, 30);
        button.show();
        QSignalSpy clicked(&button, &CGdiplusButton::clicked);
        button.SetClickable(false);
        Click(&button, QPoint(40, 15));
        QCOMPARE(clicked.count(), 0);
        button.SetClickable(true);
        Click(&button, QPoint(40, 15));
        QCOMPARE(clicked.count(), 1);
    }
};

int RunGdiplusButtonTest(int argc, char** argv) {
    GdiplusButtonTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "GdiplusButtonTest.moc"
