// Pictures and picture buttons: which picture a button shows in which state, loading pictures
// (and failing without losing the old one), file-type pictures, and drawing off screen.
#include "ControlsTest.h"

#include "GdiPlusBitmap.h"
#include "MyGraph.h"
#include "PictureButtons.h"

#include <QEnterEvent>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QPixmap Solid(const QColor& c) {
    QPixmap pm(20, 20);
    pm.fill(c);
    return pm;
}

QColor Centre(QWidget& w) { return w.grab().toImage().pixelColor(w.width() / 2, w.height() / 2); }

}  // namespace

class PicturesTest : public QObject {
    Q_OBJECT
private slots:
    void PictureButtonShowsThePictureOfItsState_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QColor>("shown");
        QTest::newRow("normal") << "normal" << QColor(Qt::red);
        QTest::newRow("hover") << "hover" << QColor(Qt::green);
        QTest::newRow("pressed") << "pressed" << QColor(Qt::blue);
        QTest::newRow("disabled") << "disabled" << QColor(Qt::gray);
        QTest::newRow("left again") << "left" << QColor(Qt::red);
    }
    void PictureButtonShowsThePictureOfItsState() {
        QFETCH(QString, state);
        QFETCH(QColor, shown);
        CGdipButton button;
        button.SetImages(Solid(Qt::red), Solid(Qt::green), Solid(Qt::blue), Solid(Qt::gray));
        button.resize(20, 20);
        button.show();
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), button.mapToGlobal(QPointF(5, 5)));
        QEvent leave(QEvent::Leave);
        if (state == "hover" || state == "pressed" || state == "left") QCoreApplication::sendEvent(&button, &enter);
        if (state == "pressed") Press(&button, QPoint(5, 5));
        if (state == "left") QCoreApplication::sendEvent(&button, &leave);
        if (state == "disabled") button.setEnabled(false);
        QCOMPARE(Centre(button), shown);
    }

    void DisabledWithoutItsPictureIsGreyed() {
        CGdipButton button;
        button.SetImages(Solid(Qt::red));
        button.resize(20, 20);
        button.setEnabled(false);
        const QColor c = Centre(button);
        QVERIFY(c != QColor(Qt::red));
        QVERIFY(qAbs(c.red() - c.green()) < 40);  // grey, not red
    }

    void CheckButtonStaysPressedWhileChecked() {
        CGdiplusCheckButton button(QStringLiteral("报警灯"));
        button.resize(80, 40);
        button.SetBackColor(QColor(255, 0, 0), QColor(0, 0, 255));
        button.show();
        const auto topIsRed = [&] { return button.grab().toImage().pixelColor(40, 3).red() > 200; };
        QVERIFY(topIsRed());
        Click(&button, QPoint(40, 20));
        QVERIFY(button.GetCheck());
        QVERIFY(!topIsRed());  // the gradient reversed
        Click(&button, QPoint(40, 20));
        QVERIFY(!button.GetCheck());
        QVERIFY(topIsRed());
    }

    void BitmapLoadsOrSaysWhyAndKeepsItsPicture() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString good = dir.filePath(QStringLiteral("good.png"));
        QVERIFY(Solid(Qt::red).scaled(7, 5).save(good));
        const QString bad = dir.filePath(QStringLiteral("bad.png"));
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\x89PNG\r\n\x1a\n not really");
        f.close();

        CGdiPlusBitmap bitmap(good);
        QVERIFY(!bitmap.IsNull());
        QCOMPARE(QSize(bitmap.Width(), bitmap.Height()), QSize(7, 5));
        QVERIFY(bitmap.ErrorString().isEmpty());
        for (const QString& path : {bad, dir.filePath(QStringLiteral("missing.png"))}) {
            QVERIFY(!bitmap.Load(path));
            QVERIFY(bitmap.ErrorString().contains(path));
            QCOMPARE(QSize(bitmap.Width(), bitmap.Height()), QSize(7, 5));
        }
        QVERIFY(!bitmap.LoadFromData(QByteArray("nothing")));
        QFile png(good);
        QVERIFY(png.open(QIODevice::ReadOnly));
        QVERIFY(bitmap.LoadFromData(png.readAll()));
        QCOMPARE(bitmap.Image().pixelColor(3, 2), QColor(Qt::red));
    }

    void ResourcePicturesByNumber_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QSize>("size");
        QTest::newRow("close") << 465 << QSize(45, 23);
        QTest::newRow("close pressed") << 478 << QSize(45, 23);
        QTest::newRow("menu") << 474 << QSize(31, 23);
        QTest::newRow("below the range") << 464 << QSize();
        QTest::newRow("above the range") << 480 << QSize();
    }
    void ResourcePicturesByNumber() {
        QFETCH(int, number);
        QFETCH(QSize, size);
        CGdiPlusBitmapResource bitmap;
        QCOMPARE(bitmap.Load(number), size.isValid());
        if (size.isValid()) QCOMPARE(QSize(bitmap.Width(), bitmap.Height()), size);
        else QVERIFY(bitmap.ErrorString().contains(QString::number(number)));
    }

    void FileTypePicturesBySuffix_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<int>("kind");
        QTest::newRow("video, upper case") << "news.TS" << false << int(CSystemImageList::kVideo);
        QTest::newRow("mxf") << "/in/clip.mxf" << false << int(CSystemImageList::kVideo);
        QTest::newRow("audio") << "a.wav" << false << int(CSystemImageList::kAudio);
        QTest::newRow("picture") << "logo.PNG" << false << int(CSystemImageList::kPicture);
        QTest::newRow("text") << "notes.txt" << false << int(CSystemImageList::kText);
        QTest::newRow("no suffix") << "readme" << false << int(CSystemImageList::kFile);
        QTest::newRow("archive") << "x.tar.gz" << false << int(CSystemImageList::kFile);
        QTest::newRow("folder") << "节目" << true << int(CSystemImageList::kFolder);
        QTest::newRow("folder with a dot") << "v1.ts" << true << int(CSystemImageList::kFolder);
        QTest::newRow("parent") << ".." << true << int(CSystemImageList::kParentFolder);
    }
    void FileTypePicturesBySuffix() {
        QFETCH(QString, name);
        QFETCH(bool, folder);
        QFETCH(int, kind);
        QCOMPARE(int(CSystemImageList::KindOf(name, folder)), kind);
        const CSystemImageList list(32);
        QCOMPARE(list.Pixmaps().size(), qsizetype(CSystemImageList::kKindCount));
        QCOMPARE(list.Pixmap(CSystemImageList::Kind(kind)).size(), QSize(32, 32));
    }

    void MemDcLandsOnTheTargetAtTheEndAndOnlyInItsRectangle() {
        QImage target(40, 40, QImage::Format_RGB32);
        target.fill(Qt::white);
        {
            QPainter p(&target);
            {
                CMyMemDC dc(&p, QRect(10, 10, 20, 20), Qt::black);
                dc.fillRect(QRect(0, 0, 25, 40), Qt::red);  // target coordinates, beyond the rectangle
                QCOMPARE(target.pixelColor(15, 15), QColor(Qt::white));
            }
        }
        QCOMPARE(target.pixelColor(15, 15), QColor(Qt::red));
        QCOMPARE(target.pixelColor(27, 27), QColor(Qt::black));  // the back, where nothing was drawn
        QCOMPARE(target.pixelColor(5, 5), QColor(Qt::white));
        QCOMPARE(target.pixelColor(15, 35), QColor(Qt::white));
    }
};

int RunPicturesTest(int argc, char** argv) {
    PicturesTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "PicturesTest.moc"
