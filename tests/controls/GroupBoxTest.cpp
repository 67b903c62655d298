// The group box's title button enabling what lies inside, and the radio groups.
#include "ControlsTest.h"

#include "MyGroupBox.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

class GroupBoxTest : public QObject {
    Q_OBJECT
private slots:
    void CheckTitleEnablesChildrenAndSiblingsInsideOnly() {
        QWidget page;
        page.resize(600, 400);
        CMyGroupBox box(QStringLiteral("缓存"), &page, 42);
        box.setGeometry(10, 10, 300, 200);
        QLineEdit child(&box);
        QLabel label(QStringLiteral("路径"), &box);
        QLineEdit siblingInside(&page);
        siblingInside.setGeometry(30, 50, 100, 20);
        QLineEdit siblingOutside(&page);
        siblingOutside.setGeometry(400, 50, 100, 20);
        box.SetTitleStyle(CMyGroupBox::kCheckTitle);
        page.show();
        QSignalSpy clicked(&box, &CMyGroupBox::Clicked);

        box.TitleButton()->click();  // checks
        QVERIFY(box.GetCheck());
        QVERIFY(child.isEnabled() && siblingInside.isEnabled());
        box.TitleButton()->click();  // unchecks
        QVERIFY(!box.GetCheck());
        QVERIFY(!child.isEnabled());
        QVERIFY(!siblingInside.isEnabled());
        QVERIFY(label.isEnabled());
        QVERIFY(siblingOutside.isEnabled());
        QVERIFY(box.TitleButton()->isEnabled());  // or it could never be checked again
        QCOMPARE(clicked.count(), 2);
        QCOMPARE(clicked.at(0).at(0).toInt(), 42);

        box.SetCheck(true);
        QVERIFY(child.isEnabled() && siblingInside.isEnabled());
    }

    void NestedBoxKeepsItsOwnStateWhenTheOuterIsEnabled() {
        QWidget page;
        CMyGroupBox outer(QStringLiteral("外"), &page);
        outer.setGeometry(0, 0, 400, 300);
        CMyGroupBox inner(QStringLiteral("内"), &outer);
        inner.setGeometry(10, 30, 300, 200);
        QLineEdit innerEdit(&inner);
        inner.SetTitleStyle(CMyGroupBox::kCheckTitle);
        inner.SetCheck(false);
        outer.SetTitleStyle(CMyGroupBox::kCheckTitle);
        outer.SetCheck(false);
        QVERIFY(!inner.isEnabled());
        QVERIFY(!innerEdit.isEnabled());
        outer.SetCheck(true);
        QVERIFY(inner.isEnabled());
        QVERIFY(!innerEdit.isEnabled());
        inner.SetCheck(true);
        QVERIFY(innerEdit.isEnabled());
    }

    void RadioTitleUnchecksTheOtherBoxesOfItsGroupOnly() {
        QWidget page;
        CMyGroupBox a(QStringLiteral("FTP"), &page), b(QStringLiteral("UDP"), &page), c(QStringLiteral("其他"), &page);
        a.setGeometry(0, 0, 200, 100);
        b.setGeometry(0, 110, 200, 100);
        c.setGeometry(0, 220, 200, 100);
        QLineEdit inA(&a), inB(&b);
        for (CMyGroupBox* box : {&a, &b, &c}) box->SetTitleStyle(CMyGroupBox::kRadioTitle);
        a.SetGroupID(1);
        b.SetGroupID(1);
        c.SetGroupID(2);
        c.SetCheck(true);
        a.TitleButton()->click();
        QVERIFY(a.GetCheck() && inA.isEnabled());
        b.TitleButton()->click();
        QVERIFY(b.GetCheck() && inB.isEnabled());
        QVERIFY(!a.GetCheck());
        QVERIFY(!inA.isEnabled());
        QVERIFY(c.GetCheck());
        b.TitleButton()->click();  // clicking a selected radio keeps it selected
        QVERIFY(b.GetCheck());
    }

    void AutomaticStateChangeOffLeavesTheInsideAlone() {
        QWidget page;
        CMyGroupBox box(QStringLiteral("手动"), &page);
        QLineEdit child(&box);
        box.SetAutoChangeState(false);
        box.SetTitleStyle(CMyGroupBox::kCheckTitle);
        box.SetCheck(false);
        QVERIFY(child.isEnabled());
    }
};

int RunGroupBoxTest(int argc, char** argv) {
    GroupBoxTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "GroupBoxTest.moc"
