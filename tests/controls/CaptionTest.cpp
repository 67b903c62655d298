// Caption buttons of frames and pop-up dialogs: which show, where, which picture, and what a
// click does.
#include "ControlsTest.h"

#include "CaptionBar.h"
#include "MyFrameWnd.h"
#include "MyPopDialog.h"

#include <QImage>
#include <QTest>

using namespace brindle;

class CaptionTest : public QObject {
    Q_OBJECT
private slots:
    void PopupWithCloseOnlyShowsOneCloseButtonAtTheRightEnd() {
        CMyPopDialog dialog(nullptr, kCaptionClose);
        dialog.resize(300, 200);
        dialog.show();
        CCaptionBar* caption = dialog.Caption();
        QCOMPARE(caption->Buttons(), QList<CaptionButton>{CaptionButton::Close});
        QCOMPARE(caption->ButtonRect(CaptionButton::Close), QRect(300 - 45, 0, 45, 23));
        QVERIFY(caption->ButtonRect(CaptionButton::Maximise).isEmpty());
        // What is on screen is the close picture, not merely a rectangle reserved for it.
        const QImage shown = caption->grab(caption->ButtonRect(CaptionButton::Close)).toImage();
        QCOMPARE(shown.convertToFormat(QImage::Format_RGB32),
                 CaptionPicture(CaptionButton::Close, ButtonLook::Normal).toImage().convertToFormat(QImage::Format_RGB32));
    }

    void FrameLaysOutAllButtonsFromTheRightEdgeWithTheirWidths() {
        CMyFrameWnd frame;
        frame.resize(500, 300);
        frame.show();
        const QList<CaptionButton> expected{CaptionButton::Close, CaptionButton::Maximise, CaptionButton::Minimise,
                                            CaptionButton::Menu};
        QCOMPARE(frame.Caption()->Buttons(), expected);
        int right = 500;
        for (CaptionButton b : expected) {
            const QRect r = frame.Caption()->ButtonRect(b);
            QCOMPARE(r.right() + 1, right);
            QCOMPARE(r.height(), 23);
            right = r.left();
        }
        QCOMPARE(500 - right, 45 + 3 * 31);
    }

    void MaximiseSwapsToRestoreAndBack() {
        CMyFrameWnd frame;
        frame.resize(500, 300);
        frame.show();
        CCaptionBar* caption = frame.Caption();
        QCOMPARE(caption->ShownPicture(CaptionButton::Maximise), 477);
        Click(caption, caption->ButtonRect(CaptionButton::Maximise).center());
        QVERIFY(frame.isMaximized());
        QCOMPARE(caption->ShownPicture(CaptionButton::Maximise), 0);
        QCOMPARE(caption->ShownPicture(CaptionButton::Restore), 468);
        Click(caption, caption->ButtonRect(CaptionButton::Restore).center());
        QVERIFY(!frame.isMaximized());
        QCOMPARE(caption->ShownPicture(CaptionButton::Maximise), 477);
    }

    void HoverAndPressPicturesFollowThePointer() {
        CMyFrameWnd frame;
        frame.resize(500, 300);
        frame.show();
        CCaptionBar* caption = frame.Caption();
        const QPoint minimise = caption->ButtonRect(CaptionButton::Minimise).center();
        Move(caption, minimise);
        QCOMPARE(caption->ShownPicture(CaptionButton::Minimise), 470);
        QCOMPARE(caption->ShownPicture(CaptionButton::Close), 465);
        Press(caption, minimise);
        QCOMPARE(caption->ShownPicture(CaptionButton::Minimise), 469);
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(caption, &leave);
        Release(caption, QPoint(100, 10));
        QCOMPARE(caption->ShownPicture(CaptionButton::Minimise), 471);
        QVERIFY(!frame.isMinimized());  // released away from the button: no action
    }

    void CloseActsOnlyWhenReleasedOverTheSameButton() {
        CMyPopDialog dialog(nullptr, kCaptionClose | kCaptionMinimise);
        dialog.resize(300, 200);
        dialog.show();
        CCaptionBar* caption = dialog.Caption();
        Press(caption, caption->ButtonRect(CaptionButton::Close).center());
        Release(caption, caption->ButtonRect(CaptionButton::Minimise).center());
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.isMinimized());
        Click(caption, caption->ButtonRect(CaptionButton::Close).center());
        QVERIFY(!dialog.isVisible());
    }

    void DoubleClickMaximisesExceptOnTheIconSquare() {
        CMyFrameWnd frame;
        frame.resize(500, 300);
        frame.show();
        CCaptionBar* caption = frame.Caption();
        SendMouse(caption, QEvent::MouseButtonDblClick, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(!frame.isMaximized());
        SendMouse(caption, QEvent::MouseButtonDblClick, QPoint(200, 10), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(frame.isMaximized());
    }

    void PicturesAreTwentyThreePixelsHighAndDistinctPerLook() {
        for (CaptionButton b : {CaptionButton::Close, CaptionButton::Maximise, CaptionButton::Restore,
                                CaptionButton::Minimise, CaptionButton::Menu}) {
            const QImage normal = CaptionPicture(b, ButtonLook::Normal).toImage();
            QCOMPARE(normal.size(), QSize(CaptionButtonWidth(b), 23));
            QVERIFY(normal != CaptionPicture(b, ButtonLook::Hover).toImage());
            QVERIFY(CaptionPicture(b, ButtonLook::Hover).toImage() != CaptionPicture(b, ButtonLook::Pressed).toImage());
        }
    }
};

int RunCaptionTest(int argc, char** argv) {
    CaptionTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "CaptionTest.moc"
