#include "FileOpenDialog.h"

#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QItemSelection>
#include <QLineEdit>
#include <QListView>
#include <QTreeView>

namespace {

bool IsFileIn(const QDir& folder, const QString& name) {
    if (name.isEmpty() || name.contains(QLatin1Char('/'))) return false;
    const QFileInfo info(folder.filePath(name));
    return info.exists() && !info.isDir();
}

}  // namespace

CFileOpenDialog::CFileOpenDialog(QWidget* parent, const QString& folder)
    : QFileDialog(parent, {}, folder, QStringLiteral("所有文件 (*)")) {
    setFileMode(QFileDialog::ExistingFiles);
    setOption(QFileDialog::DontUseNativeDialog);
    resize(760, 460);
    // The size, type and date columns as wide as what a folder shows in them.
    auto* details = findChild<QTreeView*>(QStringLiteral("treeView"));
    auto* model = findChild<QFileSystemModel*>(QStringLiteral("qt_filesystem_model"));
    if (details && model)
        connect(model, &QFileSystemModel::directoryLoaded, details, [details] {
            for (int column = 1; column < details->header()->count(); ++column) details->resizeColumnToContents(column);
        });
    // Qt's own reading of the field gives way to ours.
    auto* field = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (field && disconnect(field, SIGNAL(textChanged(QString)), this, SLOT(_q_autoCompleteFileName(QString))))
        connect(field, &QLineEdit::textChanged, this, &CFileOpenDialog::SelectTyped);
}

QStringList CFileOpenDialog::SplitNames(const QString& text, const QDir& folder) {
    if (IsFileIn(folder, text)) return {text};
    const QString quote(QLatin1Char('"'));
    if (text.size() < 2 || !text.startsWith(quote) || !text.endsWith(quote)) return {};
    // Qt joins the quoted names with single blanks; a piece that is no file yet is joined with
    // the next, as the name it was cut from.
    const QString separator = QStringLiteral("\" \"");
    const QStringList pieces = text.mid(1, text.size() - 2).split(separator);
    QStringList names;
    QString name;
    for (const QString& piece : pieces) {
        name = name.isNull() ? piece : name + separator + piece;
        if (!IsFileIn(folder, name)) continue;
        names << name;
        name = QString();
    }
    return name.isNull() ? names : QStringList();
}

void CFileOpenDialog::SelectTyped(const QString& text) {
    // Text that the dialog wrote from the selection (the field has no focus then) stays as it is.
    const auto* field = qobject_cast<const QLineEdit*>(sender());
    auto* view = findChild<QListView*>(QStringLiteral("listView"));
    if (!field || !field->hasFocus() || !view) return;
    const QStringList names = SplitNames(text, directory());
    if (names.isEmpty()) return;
    QItemSelection selection;
    const QModelIndex root = view->rootIndex();
    for (int row = 0; row < view->model()->rowCount(root); ++row) {
        const QModelIndex index = view->model()->index(row, 0, root);
        if (names.contains(index.data().toString())) selection.select(index, index);
    }
    view->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

QStringList ChooseFiles(QWidget* parent, const QString& folder) {
    CFileOpenDialog dialog(parent, folder);
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}
