// The manual list's open-file dialog: several files chosen at once come back whole, names with
// quotes among them.
#include "QtTestSupport.h"

#include "FileOpenDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// a.ts, b"c.ts, d" "e.ts, f.ts, and "b", the piece Qt's own reading takes from b"c.ts.
bool MakeFiles(const QTemporaryDir& dir) {
    for (const char* name : {"a.ts", "b\"c.ts", "d\" \"e.ts", "f.ts", "b"}) {
        QFile file(dir.filePath(QString::fromUtf8(name)));
        if (!file.open(QIODevice::WriteOnly) || file.write("x") != 1) return false;
    }
    return QDir(dir.path()).mkdir(QStringLiteral("sub"));
}

}  // namespace

class FileOpenDialogTest : public QObject {
    Q_OBJECT
private slots:
    void namesReadQuoteSafe() {
        QTemporaryDir dir;
        QVERIFY(MakeFiles(dir));
        const QDir folder(dir.path());
        const struct {
            const char* text;
            QStringList names;
        } cases[] = {
            {"a.ts", {"a.ts"}},
            {"b\"c.ts", {"b\"c.ts"}},
            {"\"a.ts\" \"b\"c.ts\"", {"a.ts", "b\"c.ts"}},
            {"\"a.ts\" \"b\"c.ts\" \"d\" \"e.ts\" \"f.ts\"", {"a.ts", "b\"c.ts", "d\" \"e.ts", "f.ts"}},
            {"\"b\" \"f.ts\"", {"b", "f.ts"}},
            {"\"a.ts\" \"gone.ts\"", {}},  // not every name is a file: none is taken
            {"\"a.ts\" \"sub\"", {}},      // a folder is entered, not added
            {"\"a.ts", {}},
            {"\"\"", {}},
            {"", {}},
            {"\"../a.ts\"", {}},
        };
        for (const auto& c : cases)
            QCOMPARE(CFileOpenDialog::SplitNames(QString::fromUtf8(c.text), folder), c.names);
    }

    // As an operator does it: four files selected in the list, one with a quote, then "打开".
    void fourSelectedFilesOneWithAQuote() {
        QTemporaryDir dir;
        QVERIFY(MakeFiles(dir));
        CFileOpenDialog dialog(nullptr, dir.path());
        dialog.show();
        auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
        auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(view && field);
        QTRY_COMPARE_WITH_TIMEOUT(view->model()->rowCount(view->rootIndex()), 6, 10000);
        // Qt writes the selection into the name field only while the field has no focus.
        field->clearFocus();
        const QStringList chosen = {"a.ts", "b\"c.ts", "d\" \"e.ts", "f.ts"};
        QStringList expected;
        for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row) {
            const QModelIndex index = view->model()->index(row, 0, view->rootIndex());
            if (!chosen.contains(index.data().toString())) continue;
            view->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
            expected << dir.filePath(index.data().toString());
        }
        QCOMPARE(expected.size(), 4);
        QVERIFY(field->text().contains(QStringLiteral("\"b\"c.ts\"")));
        auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        QVERIFY(buttons && buttons->button(QDialogButtonBox::Open));
        buttons->button(QDialogButtonBox::Open)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QStringList files = dialog.selectedFiles();
        files.sort();
        expected.sort();
        QCOMPARE(files, expected);
    }

    // Names typed into the field, quotes and all, select those files and no others.
    void typedNamesSelectTheirFiles() {
        QTemporaryDir dir;
        QVERIFY(MakeFiles(dir));
        CFileOpenDialog dialog(nullptr, dir.path());
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        auto* view = dialog.findChild<QListView*>(QStringLiteral("listView"));
        auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(view && field);
        QTRY_COMPARE_WITH_TIMEOUT(view->model()->rowCount(view->rootIndex()), 6, 10000);
        field->setFocus();
        QTRY_VERIFY(field->hasFocus());
        field->setText(QStringLiteral("\"f.ts\""));
        field->setText(QStringLiteral("\"d\" \"e.ts\" \"b\"c.ts\""));
        QStringList files = dialog.selectedFiles();
        files.sort();
        QCOMPARE(files, (QStringList{dir.filePath(QStringLiteral("b\"c.ts")), dir.filePath(QStringLiteral("d\" \"e.ts"))}));
        auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        QVERIFY(buttons);
        buttons->button(QDialogButtonBox::Open)->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
};

int RunFileOpenDialogTest(int argc, char** argv) {
    FileOpenDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FileOpenDialogTest.moc"
