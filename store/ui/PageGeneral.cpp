#include "PageGeneral.h"

#include "DiskSpaceText.h"
#include "GdiplusButton.h"
#include "MessageBox.h"
#include "Settings.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

using namespace quarvik;

CPageGeneral::CPageGeneral(QWidget* parent)
    : CMyDialog(parent),
      m_alert(new QCheckBox(QStringLiteral("声光报警"), this)),
      m_path(new QLineEdit(this)),
      m_browse(new CGdiplusButton(QStringLiteral("..."), this)),
      m_minSpace(new QLineEdit(this)),
      m_info(new QLabel(this)) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(20, 16, 20, 16);
    grid->setVerticalSpacing(10);
    grid->addWidget(m_alert, 0, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("检测位于FTP服务器上的文件或者网络流时需要使用磁盘缓存。"), this),
                    1, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("缓存路径:"), this), 2, 0);
    grid->addWidget(m_path, 2, 1);
    m_browse->setFixedSize(32, 24);
    grid->addWidget(m_browse, 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("最小缓存空间(G):"), this), 3, 0);
    grid->addWidget(m_minSpace, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("(低于此设置值时,最早缓存的文件将被删除。)"), this), 4, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("缓存信息:"), this), 5, 0);
    grid->addWidget(m_info, 5, 1, 1, 2);
    grid->setRowStretch(6, 1);
    grid->setColumnStretch(1, 1);

    m_alert->setChecked(ReadSetting(kEnAlertLight) != 0);
    m_path->setText(QString::fromStdString(ReadSetting(kCachePath)));
    m_minSpace->setText(QString::number(ReadSetting(kCacheMinSpace)));
    UpdateCacheInfo();
    connect(m_browse, &QAbstractButton::clicked, this, &CPageGeneral::Browse);
}

void CPageGeneral::UpdateCacheInfo() { m_info->setText(DiskSpaceText(m_path->text())); }

void CPageGeneral::Browse() {
    const QString folder =
        QFileDialog::getExistingDirectory(this, QStringLiteral("选择目标文件夹..."), m_path->text());
    if (folder.isEmpty()) return;
    m_path->setText(folder);
    UpdateCacheInfo();
}

bool CPageGeneral::Save() {
    bool isNumber = false;
    const int minSpace = m_minSpace->text().trimmed().toInt(&isNumber);
    if (!isNumber || minSpace < kMinSpaceLow || minSpace > kMinSpaceHigh) {
        ShowMessage(this, QStringLiteral("请输入一个介于 %1 和 %2 之间的整数。").arg(kMinSpaceLow).arg(kMinSpaceHigh),
                    MsgIcon::Exclamation);
        m_minSpace->setFocus();
        m_minSpace->selectAll();
        return false;
    }
    WriteSetting(kEnAlertLight, m_alert->isChecked() ? 1 : 0);
    WriteSetting(kCachePath, m_path->text().toStdString());
    WriteSetting(kCacheMinSpace, minSpace);
    return true;
}
