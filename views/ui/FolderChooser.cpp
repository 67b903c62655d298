#include "FolderChooser.h"

#include "MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QStandardPaths>

namespace {

QString RealChooser(QWidget* parent, const QString& title) {
    QFileDialog dialog(parent, title, QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("查找范围:"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("文件夹:"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("类型:"));
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("确定"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("取消"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

FolderChooserFn& Current() {
    static FolderChooserFn fn = RealChooser;
    return fn;
}

}  // namespace

QString ChooseFolder(QWidget* parent, const QString& title) { return Current()(parent, title); }

FolderChooserFn SetFolderChooserFn(FolderChooserFn fn) {
    FolderChooserFn previous = Current();
    Current() = fn ? std::move(fn) : FolderChooserFn(RealChooser);
    return previous;
}

bool MayReplaceReport(QWidget* parent, const QString& folder) {
    if (!QFileInfo::exists(QDir(folder).filePath(QStringLiteral("index.html")))) return true;
    return quarvik::ShowMessage(parent, QStringLiteral("该文件夹中已有报告，确信替换吗？"), quarvik::MsgIcon::Question,
                                quarvik::MsgButtons::YesNoDefaultNo) == quarvik::MsgAnswer::Yes;
}

WaitCursor::WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

WaitCursor::~WaitCursor() { QApplication::restoreOverrideCursor(); }
