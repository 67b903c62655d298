#include "AboutDlg.h"

#include "GdiplusButton.h"
#include "ProgramIcon.h"
#include "Version.h"

#include <QGridLayout>
#include <QLabel>

CAboutDlg::CAboutDlg(QWidget* parent)
    : CMyPopDialog(parent, brindle::kCaptionClose, ProgramIcon()), m_ok(new CGdiplusButton(QStringLiteral("确定"), this)) {
    const QString title = QStringLiteral("关于Quarvik自动技审系统");
    setWindowTitle(title);
    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon().pixmap(48, 48));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(20, 16, 20, 16);
    grid->setHorizontalSpacing(16);
    grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(new QLabel(title, this), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("版本 %1").arg(QString::fromUtf8(quarvik::ProgramVersion())), this), 1, 1);
    m_ok->setFixedSize(80, 26);
    grid->addWidget(m_ok, 0, 2, Qt::AlignTop);
    connect(m_ok, &QAbstractButton::clicked, this, &QDialog::accept);
    resize(400, 130);
}
