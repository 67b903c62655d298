#include "PageTarget.h"

#include "GdiplusButton.h"
#include "MyGroupBox.h"
#include "PageHelpers.h"
#include "TargetPanes.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStackedWidget>
#include <QVBoxLayout>

using namespace quarvik;

CPageTarget::CPageTarget(QWidget* parent)
    : CMyDialog(parent),
      m_list(new QListWidget(this)),
      m_name(new QLineEdit(this)),
      m_kind(new QComboBox(this)),
      m_comment(new QLineEdit(this)),
      m_panes(new QStackedWidget(this)),
      m_ftp(new CWndFtps),
      m_udp(new CWndUdp),
      m_dir(new CWndDir),
      m_add(PageButton(QStringLiteral("添加"), this)),
      m_delete(PageButton(QStringLiteral("删除"), this)),
      m_update(PageButton(QStringLiteral("更新"), this)) {
    for (const char* label : kTargetKindLabels) m_kind->addItem(QString::fromUtf8(label));
    m_paneOfKind = {m_ftp, m_udp, m_dir, nullptr};
    m_panes->addWidget(m_ftp);
    m_panes->addWidget(m_udp);
    m_panes->addWidget(m_dir);
    auto* none = new CMyDialog;
    auto* noneLayout = new QVBoxLayout(none);
    auto* noneText = new QLabel(QStringLiteral("移动硬盘插入时自动检测,无需设置地址。"), none);
    noneText->setAlignment(Qt::AlignCenter);
    noneLayout->addWidget(noneText);
    m_panes->addWidget(none);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("名称:"), this), 0, 0);
    fields->addWidget(m_name, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("类型:"), this), 1, 0);
    fields->addWidget(m_kind, 1, 1);
    fields->addWidget(new QLabel(QStringLiteral("说明:"), this), 2, 0);
    fields->addWidget(m_comment, 2, 1);
    fields->setColumnStretch(1, 1);

    auto* frame = new CMyGroupBox(QString(), this);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(2, 2, 2, 2);
    frameLayout->addWidget(m_panes);

    auto* right = new QVBoxLayout;
    right->addLayout(fields);
    right->addWidget(frame, 1);
    LayOutRowPage(this, QStringLiteral("模板列表:"), m_list, 2, right, 3, {m_add, m_delete, m_update});

    EnableRowButtons(false);
    m_model.Load();
    for (const MonObj_t& target : m_model.Targets()) m_list->addItem(QString::fromUtf8(target.szName));
    ShowKind(m_kind->currentIndex());

    connect(m_kind, &QComboBox::currentIndexChanged, this, &CPageTarget::ShowKind);
    connect(m_list, &QListWidget::currentRowChanged, this, &CPageTarget::SelectTarget);
    connect(m_add, &QAbstractButton::clicked, this, &CPageTarget::AddTarget);
    connect(m_update, &QAbstractButton::clicked, this, &CPageTarget::UpdateTarget);
    connect(m_delete, &QAbstractButton::clicked, this, &CPageTarget::DeleteTarget);
}

CTargetPane* CPageTarget::CurrentPane() const {
    const int kind = m_kind->currentIndex();
    return kind >= 0 && kind < static_cast<int>(m_paneOfKind.size()) ? m_paneOfKind[kind] : nullptr;
}

void CPageTarget::ShowKind(int kind) {
    if (kind < 0 || kind >= static_cast<int>(m_paneOfKind.size())) return;
    // The last page of the stack stands for a kind without a pane.
    m_panes->setCurrentIndex(m_paneOfKind[kind] ? m_panes->indexOf(m_paneOfKind[kind]) : m_panes->count() - 1);
}

void CPageTarget::EnableRowButtons(bool on) {
    m_delete->setEnabled(on);
    m_update->setEnabled(on);
}

void CPageTarget::SelectTarget(int row) {
    if (row < 0 || row >= static_cast<int>(m_model.Targets().size())) {
        EnableRowButtons(false);
        return;
    }
    if (m_list->currentRow() != row) m_list->setCurrentRow(row);
    const TargetFields f = CTargetPageModel::FieldsOf(m_model.Targets()[row]);
    m_name->setText(QString::fromStdString(f.name));
    m_comment->setText(QString::fromStdString(f.comment));
    m_kind->setCurrentIndex(f.type);
    if (CTargetPane* pane = CurrentPane()) pane->Show(f);
    EnableRowButtons(true);
}

bool CPageTarget::SelectTargetId(int nID) {
    const int row = RowWithId(m_model.Targets(), nID, [](const auto& target) { return target.nID; });
    if (row >= 0) SelectTarget(row);
    return row >= 0;
}

TargetFields CPageTarget::Fields() const {
    TargetFields f;
    f.name = Typed(m_name);
    f.type = m_kind->currentIndex();
    f.comment = Typed(m_comment);
    if (const CTargetPane* pane = CurrentPane()) pane->Read(f);
    return f;
}

bool CPageTarget::Refused(const PageCheck& check) {
    const CTargetPane* pane = CurrentPane();
    QWidget* paneField = pane ? pane->FieldWidget(check.field) : nullptr;
    return ShowRefusal(this, check,
                       {{CTargetPageModel::kNameField, m_name},
                        {CTargetPageModel::kCommentField, m_comment},
                        {check.field, paneField}});
}

void CPageTarget::AddTarget() {
    PageCheck check;
    if (!m_model.Add(Fields(), check)) {
        Refused(check);
        return;
    }
    m_list->addItem(QString::fromUtf8(m_model.Targets().back().szName));
    m_list->setCurrentRow(m_list->count() - 1);
}

void CPageTarget::UpdateTarget() {
    const int row = m_list->currentRow();
    if (row < 0) return;
    PageCheck check;
    if (!m_model.Update(row, Fields(), check)) {
        Refused(check);
        return;
    }
    m_list->item(row)->setText(QString::fromUtf8(m_model.Targets()[row].szName));
}

void CPageTarget::DeleteTarget() {
    const int row = m_list->currentRow();
    if (row < 0 || !m_model.Delete(row)) return;
    m_list->blockSignals(true);
    delete m_list->takeItem(row);
    m_list->setCurrentRow(-1);
    m_list->blockSignals(false);
    if (m_list->count() == 0) {
        EnableRowButtons(false);
        return;
    }
    SelectTarget(qMin(row, m_list->count() - 1));
}
