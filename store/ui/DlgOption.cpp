#include "DlgOption.h"

#include "GdiplusButton.h"
#include "MessageBox.h"
#include "MyTabCtrl.h"
#include "PageContent.h"
#include "PageGeneral.h"
#include "PageLoudness.h"
#include "PageResult.h"
#include "PageSyntax.h"
#include "PageTarget.h"
#include "PageTask.h"
#include "Restart.h"

#include <QStackedLayout>
#include <QVBoxLayout>

using namespace quarvik;

CDlgOption::CDlgOption(QWidget* parent, bool generalOnly)
    : CMyPopDialog(parent), m_generalOnly(generalOnly), m_tabs(new CMyTabCtrl(this)), m_stack(new QStackedLayout) {
    setWindowTitle(QStringLiteral("系统设置"));
    m_tabs->setFixedHeight(24);
    m_general = AddPage(QStringLiteral("通用"), new CPageGeneral, [this] { return m_general->Save(); });
    if (!generalOnly) {
        m_task = AddPage(QStringLiteral("监测任务"), new CPageTask, [this] { return m_task->Save(); });
        m_target = AddPage(QStringLiteral("目标模板"), new CPageTarget);
        m_content = AddPage(QStringLiteral("图像质量模板"), new CPageContent, [this] { return m_content->Save(); });
        m_syntax = AddPage(QStringLiteral("格式模板"), new CPageSyntax);
        m_result = AddPage(QStringLiteral("检测结果"), new CPageResult, [this] { return m_result->Save(); });
        m_loudness = AddPage(QStringLiteral("响度"), new CPageLoudness, [this] { return m_loudness->Save(); });
        ConnectJumps();
    }

    const OkCancel buttons = MakeOkCancel();

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->addWidget(m_tabs);
    layout->addLayout(m_stack, 1);
    layout->addSpacing(8);
    layout->addLayout(buttons.row);
    connect(m_tabs, &QTabBar::currentChanged, this, &CDlgOption::SelectTab);
    connect(buttons.ok, &QAbstractButton::clicked, this, &CDlgOption::accept);
    resize(generalOnly ? 520 : 820, generalOnly ? 340 : 560);
}

template <class PageType>
PageType* CDlgOption::AddPage(const QString& title, PageType* page, std::function<bool()> save) {
    m_tabs->InsertItem(m_tabs->count(), title);
    m_pages.append(page);
    m_saves.append(std::move(save));
    m_stack->addWidget(page);
    return page;
}

void CDlgOption::ConnectJumps() {
    connect(m_task, &CPageTask::ManageTarget, this, [this](int id) {
        SelectTab(kTabTarget);
        m_target->SelectTargetId(id);
    });
    connect(m_task, &CPageTask::ManageSyntax, this, [this](int id) {
        SelectTab(kTabSyntax);
        m_syntax->SelectSyntaxId(id);
    });
    connect(m_task, &CPageTask::ManageContent, this, [this] { SelectTab(kTabContent); });
}

int CDlgOption::CurrentTab() const { return m_stack->currentIndex(); }

void CDlgOption::SelectTab(int index) {
    if (index < 0 || index >= PageCount()) return;
    if (m_tabs->currentIndex() != index) m_tabs->setCurrentIndex(index);
    m_stack->setCurrentIndex(index);
}

void CDlgOption::accept() {
    // The loudness figures are checked before any page writes, so their refusal writes nothing.
    if (m_loudness && !m_loudness->Check()) {
        SelectTab(kTabLoudness);
        return;
    }
    const int shown = CurrentTab();
    for (int tab = 0; tab < m_saves.size(); ++tab) {
        if (!m_saves[tab]) continue;
        // A refusing page shows its message and focuses its field on its own tab.
        SelectTab(tab);
        if (!m_saves[tab]()) return;
    }
    SelectTab(shown);
    CMyPopDialog::accept();
    if (m_generalOnly || !NeedsRestart()) return;
    const auto checking = [this] { return m_isChecking && m_isChecking(); };
    // A restart ends every check; like closing, it waits until none runs (asked again after
    // the question, for a check may have begun meanwhile).
    if (!checking() &&
        ShowMessage(parentWidget(), QStringLiteral("需要重新启动软件,以使修改生效！重新启动吗?"), MsgIcon::Question,
                    MsgButtons::YesNoDefaultNo) != MsgAnswer::Yes)
        return;
    if (checking()) {
        ShowMessage(parentWidget(), QStringLiteral("检测正在进行！现在不能重新启动！修改将在软件重新启动后生效。"),
                    MsgIcon::Stop);
        return;
    }
    RequestRestart();
}

bool CDlgOption::NeedsRestart() const {
    return (m_task && m_task->Model().Changed()) || (m_target && m_target->Model().Changed()) ||
           (m_syntax && m_syntax->Model().Changed());
}
