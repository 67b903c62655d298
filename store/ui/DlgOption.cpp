#include "DlgOption.h"

#include "GdiplusButton.h"
#include "MessageBox.h"
#include "MyTabCtrl.h"
#include "PageGeneral.h"
#include "Restart.h"

#include <QHBoxLayout>
#include <QStackedLayout>
#include <QVBoxLayout>

using namespace quarvik;

CDlgOption::CDlgOption(QWidget* parent, bool generalOnly)
    : CMyPopDialog(parent),
      m_generalOnly(generalOnly),
      m_tabs(new CMyTabCtrl(this)),
      m_stack(new QStackedLayout),
      m_general(new CPageGeneral) {
    setWindowTitle(QStringLiteral("系统设置"));
    m_tabs->setFixedHeight(24);
    m_tabs->InsertItem(0, QStringLiteral("通用"));
    m_pages.append(m_general);
    if (!generalOnly) {
        const QString later[] = {QStringLiteral("监测任务"), QStringLiteral("目标模板"), QStringLiteral("图像质量模板"),
                                 QStringLiteral("格式模板"), QStringLiteral("检测结果")};
        for (const QString& title : later) {
            m_tabs->InsertItem(m_tabs->count(), title);
            m_pages.append(new CMyDialog);
        }
    }
    for (CMyDialog* page : m_pages) m_stack->addWidget(page);

    auto* ok = new CGdiplusButton(QStringLiteral("确定"), this);
    auto* cancel = new CGdiplusButton(QStringLiteral("取消"), this);
    ok->setFixedSize(80, 26);
    cancel->setFixedSize(80, 26);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->addWidget(m_tabs);
    layout->addLayout(m_stack, 1);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    connect(m_tabs, &QTabBar::currentChanged, this, &CDlgOption::SelectTab);
    connect(ok, &QAbstractButton::clicked, this, &CDlgOption::accept);
    connect(cancel, &QAbstractButton::clicked, this, &CDlgOption::reject);
    resize(generalOnly ? 520 : 760, generalOnly ? 340 : 520);
}

void CDlgOption::SelectTab(int index) {
    if (index < 0 || index >= PageCount()) return;
    if (m_tabs->currentIndex() != index) m_tabs->setCurrentIndex(index);
    m_stack->setCurrentIndex(index);
}

void CDlgOption::accept() {
    if (!m_general->Save()) {
        SelectTab(0);
        return;
    }
    CMyPopDialog::accept();
    if (m_generalOnly) return;
    if (ShowMessage(parentWidget(), QStringLiteral("需要重新启动软件,以使修改生效！重新启动吗?"), MsgIcon::Question,
                    MsgButtons::YesNoDefaultNo) == MsgAnswer::Yes)
        RequestRestart();
}
