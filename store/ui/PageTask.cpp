#include "PageTask.h"

#include "GdiplusButton.h"
#include "MyGroupBox.h"
#include "MyListCtrl.h"
#include "PageHelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

using namespace quarvik;

namespace {

enum TaskImage { kDisabledImage = 0, kEnabledImage = 1 };

// 16 x 16: a grey ring for a disabled task, a green disc with a tick for an enabled one.
QPixmap TaskPicture(bool enabled) {
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    if (enabled) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 160, 0));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setPen(QPen(Qt::white, 2));
        p.drawPolyline(QPolygonF({QPointF(4.5, 8), QPointF(7, 10.5), QPointF(11.5, 5.5)}));
    } else {
        p.setPen(QPen(QColor(128, 128, 128), 1.5));
        p.drawEllipse(QRectF(2, 2, 12, 12));
        p.drawLine(QPointF(5, 8), QPointF(11, 8));
    }
    return picture;
}

void FillCombo(QComboBox* combo, const std::vector<IdName_t>& choices) {
    const QVariant kept = combo->currentData();
    combo->clear();
    for (const IdName_t& choice : choices) combo->addItem(QString::fromUtf8(choice.szName), choice.nID);
    // The choice made before stays; a new list offers its first entry.
    const int index = combo->findData(kept);
    combo->setCurrentIndex(index >= 0 ? index : combo->count() > 0 ? 0 : -1);
}

int SelectedId(const QComboBox* combo) { return combo->currentIndex() < 0 ? 0 : combo->currentData().toInt(); }

}  // namespace

CPageTask::CPageTask(QWidget* parent)
    : CMyDialog(parent),
      m_list(new CMyListCtrl(this)),
      m_name(new QLineEdit(this)),
      m_comment(new QLineEdit(this)),
      m_target(new QComboBox(this)),
      m_manageTarget(PageButton(QStringLiteral("模板管理"), this)),
      m_syntax(new QCheckBox(QStringLiteral("语法分析"), this)),
      m_syntaxCombo(new QComboBox(this)),
      m_manageSyntax(PageButton(QStringLiteral("模板管理"), this)),
      m_picture(new QCheckBox(QStringLiteral("图像质量"), this)),
      m_manageContent(PageButton(QStringLiteral("模板管理"), this)),
      m_add(PageButton(QStringLiteral("添加"), this)),
      m_delete(PageButton(QStringLiteral("删除"), this)),
      m_update(PageButton(QStringLiteral("更新"), this)) {
    m_list->InsertColumn(0, QStringLiteral("类别"), Qt::AlignLeft, 200);
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->SetImageList({TaskPicture(false), TaskPicture(true)});
    m_list->SetItemHeight(20);

    auto* targetBox = new CMyGroupBox(QStringLiteral("监测目标"), this);
    auto* targetRow = new QHBoxLayout(targetBox);
    targetRow->addWidget(m_target, 1);
    targetRow->addWidget(m_manageTarget);

    auto* contentBox = new CMyGroupBox(QStringLiteral("监测内容"), this);
    auto* content = new QGridLayout(contentBox);
    content->addWidget(m_syntax, 0, 0);
    content->addWidget(m_syntaxCombo, 0, 1);
    content->addWidget(m_manageSyntax, 0, 2);
    content->addWidget(m_picture, 1, 0);
    content->addWidget(m_manageContent, 1, 2);
    content->setColumnStretch(1, 1);

    // Present as the database has them, but not shown: their values come from the task.
    auto* resultBox = new CMyGroupBox(QStringLiteral("监测结果"), this);
    auto* results = new QHBoxLayout(resultBox);
    for (const char* label : {"报警", "记录", "录制"}) results->addWidget(new QCheckBox(QString::fromUtf8(label), resultBox));
    resultBox->hide();

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("名称:"), this), 0, 0);
    fields->addWidget(m_name, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("说明:"), this), 1, 0);
    fields->addWidget(m_comment, 1, 1);

    auto* right = new QVBoxLayout;
    right->addLayout(fields);
    right->addSpacing(6);
    right->addWidget(targetBox);
    right->addWidget(contentBox);
    right->addStretch(1);
    LayOutRowPage(this, QStringLiteral("任务列表:(双击允许/禁止任务)"), m_list, 2, right, 3, {m_add, m_delete, m_update});

    m_syntaxCombo->setEnabled(false);
    EnableRowButtons(false);
    FillChoices();
    m_model.Load();
    for (const MonTask_t& task : m_model.Tasks())
        m_list->InsertItem(m_list->GetItemCount(), QString::fromUtf8(task.szName),
                           task.bActive ? kEnabledImage : kDisabledImage);

    connect(m_syntax, &QCheckBox::toggled, m_syntaxCombo, &QWidget::setEnabled);
    connect(m_list, &QTableWidget::currentCellChanged, this, [this](int row) { SelectTask(row); });
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this](int row) { ToggleTask(row); });
    connect(m_add, &QAbstractButton::clicked, this, &CPageTask::AddTask);
    connect(m_update, &QAbstractButton::clicked, this, &CPageTask::UpdateTask);
    connect(m_delete, &QAbstractButton::clicked, this, &CPageTask::DeleteTask);
    connect(m_manageTarget, &QAbstractButton::clicked, this, [this] { emit ManageTarget(SelectedId(m_target)); });
    connect(m_manageSyntax, &QAbstractButton::clicked, this, [this] { emit ManageSyntax(SelectedId(m_syntaxCombo)); });
    connect(m_manageContent, &QAbstractButton::clicked, this, &CPageTask::ManageContent);
}

void CPageTask::showEvent(QShowEvent* event) {
    FillChoices();
    CMyDialog::showEvent(event);
}

void CPageTask::FillChoices() {
    FillCombo(m_target, CTaskPageModel::TargetChoices());
    FillCombo(m_syntaxCombo, CTaskPageModel::SyntaxChoices());
}

void CPageTask::EnableRowButtons(bool on) {
    m_delete->setEnabled(on);
    m_update->setEnabled(on);
}

void CPageTask::SelectTask(int row) {
    if (row < 0 || row >= static_cast<int>(m_model.Tasks().size())) {
        EnableRowButtons(false);
        return;
    }
    if (m_list->currentRow() != row) m_list->setCurrentCell(row, 0);
    m_shown = CTaskPageModel::FieldsOf(m_model.Tasks()[row]);
    m_name->setText(QString::fromStdString(m_shown.name));
    m_comment->setText(QString::fromStdString(m_shown.comment));
    m_target->setCurrentIndex(m_target->findData(m_shown.targetId));
    m_syntaxCombo->setCurrentIndex(m_syntaxCombo->findData(m_shown.syntaxId));
    m_syntax->setChecked(m_shown.syntax);
    m_syntaxCombo->setEnabled(m_shown.syntax);
    m_picture->setChecked(m_shown.picture);
    EnableRowButtons(true);
}

TaskFields CPageTask::Fields() const {
    TaskFields f = m_shown;
    f.name = Typed(m_name);
    f.comment = Typed(m_comment);
    f.targetId = SelectedId(m_target);
    f.syntax = m_syntax->isChecked();
    f.syntaxId = SelectedId(m_syntaxCombo);
    f.picture = m_picture->isChecked();
    return f;
}

bool CPageTask::Refused(const PageCheck& check) {
    return ShowRefusal(this, check,
                       {{CTaskPageModel::kNameField, m_name},
                        {CTaskPageModel::kCommentField, m_comment},
                        {CTaskPageModel::kContentField, m_syntax}});
}

void CPageTask::AddTask() {
    PageCheck check;
    if (!m_model.Add(Fields(), check)) {
        Refused(check);
        return;
    }
    const MonTask_t& task = m_model.Tasks().back();
    m_list->blockSignals(true);
    m_list->InsertItem(m_list->GetItemCount(), QString::fromUtf8(task.szName), kEnabledImage);
    m_list->setCurrentCell(-1, -1);
    m_list->blockSignals(false);
    EnableRowButtons(false);
}

void CPageTask::UpdateTask() {
    const int row = m_list->currentRow();
    if (row < 0) return;
    PageCheck check;
    if (!m_model.Update(row, Fields(), check)) {
        Refused(check);
        return;
    }
    const MonTask_t& task = m_model.Tasks()[row];
    m_list->SetItemText(row, 0, QString::fromUtf8(task.szName));
    m_list->SetItemImage(row, 0, task.bActive ? kEnabledImage : kDisabledImage);
}

void CPageTask::DeleteTask() {
    const int row = m_list->currentRow();
    if (row < 0 || !m_model.Delete(row)) return;
    m_list->blockSignals(true);
    m_list->DeleteItem(row);
    m_list->blockSignals(false);
    const int count = m_list->GetItemCount();
    if (count == 0) {
        m_list->setCurrentCell(-1, -1);
        EnableRowButtons(false);
        return;
    }
    SelectTask(qMin(row, count - 1));
}

void CPageTask::ToggleTask(int row) {
    if (row < 0 || row >= static_cast<int>(m_model.Tasks().size())) return;
    m_model.ToggleActive(row);
    m_list->SetItemImage(row, 0, m_model.Tasks()[row].bActive ? kEnabledImage : kDisabledImage);
}
