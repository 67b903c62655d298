#include "PageSyntax.h"

#include "DlgSyntaxItem.h"
#include "GdiplusButton.h"
#include "MyGroupBox.h"
#include "MyListCtrl.h"
#include "PageHelpers.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

using namespace quarvik;

namespace {

template <size_t N>
QComboBox* FormatCombo(const std::array<const char*, N>& entries, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    for (const char* entry : entries) combo->addItem(QString::fromUtf8(entry));
    combo->setCurrentIndex(-1);
    return combo;
}

bool RunConditionDialog(QWidget* parent, const MonSyntaxItem_t* item, MonSyntaxItem_t& out) {
    CDlgSyntaxItem dialog(parent, item);
    if (dialog.exec() != QDialog::Accepted) return false;
    out = dialog.Item();
    return true;
}

}  // namespace

CPageSyntax::CPageSyntax(QWidget* parent)
    : CMyDialog(parent),
      m_editor(RunConditionDialog),
      m_list(new QListWidget(this)),
      m_name(new QLineEdit(this)),
      m_comment(new QLineEdit(this)),
      m_container(FormatCombo(kContainerFormats, this)),
      m_video(new QCheckBox(QStringLiteral("视频:"), this)),
      m_videoCombo(FormatCombo(kVideoFormats, this)),
      m_audio(new QCheckBox(QStringLiteral("音频:"), this)),
      m_audioCombo(FormatCombo(kAudioFormats, this)),
      m_conditionList(new CMyListCtrl(this)),
      m_addCondition(PageButton(QStringLiteral("添加"), this)),
      m_deleteCondition(PageButton(QStringLiteral("删除"), this)),
      m_modifyCondition(PageButton(QStringLiteral("修改"), this)),
      m_add(PageButton(QStringLiteral("添加"), this)),
      m_delete(PageButton(QStringLiteral("删除"), this)),
      m_update(PageButton(QStringLiteral("更新"), this)) {
    m_conditionList->InsertColumn(kKindColumn, QStringLiteral("类别"), Qt::AlignLeft, 70);
    m_conditionList->InsertColumn(kNameColumn, QStringLiteral("名称"), Qt::AlignLeft, 60);
    m_conditionList->InsertColumn(kCompareColumn, QStringLiteral("比较"), Qt::AlignLeft, 50);
    m_conditionList->InsertColumn(kValue1Column, QStringLiteral("数值1"), Qt::AlignLeft, 80);
    m_conditionList->InsertColumn(kValue2Column, QStringLiteral("数值2"), Qt::AlignLeft, 80);
    m_conditionList->WidenColumnsToTitles();
    m_conditionList->SetItemHeight(20);
    m_conditionList->EnableGridLine(true);
    m_conditionList->horizontalHeader()->setStretchLastSection(true);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("名称:"), this), 0, 0);
    fields->addWidget(m_name, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("说明:"), this), 1, 0);
    fields->addWidget(m_comment, 1, 1);
    fields->addWidget(new QLabel(QStringLiteral("容器:"), this), 2, 0);
    fields->addWidget(m_container, 2, 1);
    fields->addWidget(m_video, 3, 0);
    fields->addWidget(m_videoCombo, 3, 1);
    fields->addWidget(m_audio, 4, 0);
    fields->addWidget(m_audioCombo, 4, 1);
    fields->setColumnStretch(1, 1);

    auto* conditionBox = new CMyGroupBox(QStringLiteral("附加条件"), this);
    auto* conditionButtons = new QHBoxLayout;
    conditionButtons->addStretch(1);
    conditionButtons->addWidget(m_addCondition);
    conditionButtons->addWidget(m_deleteCondition);
    conditionButtons->addWidget(m_modifyCondition);
    auto* conditionLayout = new QVBoxLayout(conditionBox);
    conditionLayout->addWidget(m_conditionList, 1);
    conditionLayout->addLayout(conditionButtons);

    auto* right = new QVBoxLayout;
    right->addLayout(fields);
    right->addWidget(conditionBox, 1);
    LayOutRowPage(this, QStringLiteral("模板列表:"), m_list, 1, right, 2, {m_add, m_delete, m_update});

    m_videoCombo->setEnabled(false);
    m_audioCombo->setEnabled(false);
    m_delete->setEnabled(false);
    m_update->setEnabled(false);
    EnableConditionButtons();
    m_model.Load();
    for (const SyntaxEntry& entry : m_model.Syntaxes()) m_list->addItem(QString::fromUtf8(entry.header.szName));

    connect(m_video, &QCheckBox::toggled, m_videoCombo, &QWidget::setEnabled);
    connect(m_audio, &QCheckBox::toggled, m_audioCombo, &QWidget::setEnabled);
    connect(m_list, &QListWidget::currentRowChanged, this, &CPageSyntax::SelectSyntax);
    connect(m_conditionList, &QTableWidget::currentCellChanged, this, &CPageSyntax::EnableConditionButtons);
    connect(m_conditionList, &QTableWidget::cellDoubleClicked, this, &CPageSyntax::ModifyCondition);
    connect(m_addCondition, &QAbstractButton::clicked, this, &CPageSyntax::AddCondition);
    connect(m_modifyCondition, &QAbstractButton::clicked, this, &CPageSyntax::ModifyCondition);
    connect(m_deleteCondition, &QAbstractButton::clicked, this, &CPageSyntax::DeleteCondition);
    connect(m_add, &QAbstractButton::clicked, this, &CPageSyntax::AddSyntax);
    connect(m_update, &QAbstractButton::clicked, this, &CPageSyntax::UpdateSyntax);
    connect(m_delete, &QAbstractButton::clicked, this, &CPageSyntax::DeleteSyntax);
}

void CPageSyntax::EnableConditionButtons() {
    const bool selected = m_conditionList->currentRow() >= 0;
    m_deleteCondition->setEnabled(selected);
    m_modifyCondition->setEnabled(selected);
}

void CPageSyntax::SetConditionRow(int row, const MonSyntaxItem_t& item) {
    const QString texts[] = {QString::fromUtf8(item.szAvLevel), QString::fromUtf8(item.szName),
                             QString::fromUtf8(CompareListText(item.nCompare)), QString::fromUtf8(item.szValue1),
                             QString::fromUtf8(item.szValue2)};
    for (int column = kKindColumn; column <= kValue2Column; ++column) {
        m_conditionList->SetItemText(row, column, texts[column]);
        m_conditionList->WidenColumnFor(column, texts[column]);
    }
}

void CPageSyntax::ShowConditions() {
    m_conditionList->blockSignals(true);
    m_conditionList->DeleteAllItems();
    for (size_t i = 0; i < m_conditions.size(); ++i) {
        const int row = m_conditionList->InsertItem(static_cast<int>(i), QString());
        SetConditionRow(row, m_conditions[i]);
    }
    m_conditionList->setCurrentCell(-1, -1);
    m_conditionList->blockSignals(false);
    EnableConditionButtons();
}

void CPageSyntax::SelectSyntax(int row) {
    const bool valid = row >= 0 && row < static_cast<int>(m_model.Syntaxes().size());
    m_delete->setEnabled(valid);
    m_update->setEnabled(valid);
    if (!valid) return;
    if (m_list->currentRow() != row) m_list->setCurrentRow(row);
    const SyntaxEntry& entry = m_model.Syntaxes()[row];
    const SyntaxFields f = SortBackSyntax(entry.header, entry.items);
    m_name->setText(QString::fromStdString(f.name));
    m_comment->setText(QString::fromStdString(f.comment));
    m_container->setCurrentText(QString::fromStdString(f.container));
    m_video->setChecked(f.video);
    m_videoCombo->setCurrentText(QString::fromStdString(f.videoFormat));
    m_audio->setChecked(f.audio);
    m_audioCombo->setCurrentText(QString::fromStdString(f.audioFormat));
    m_conditions = f.conditions;
    ShowConditions();
}

bool CPageSyntax::SelectSyntaxId(int nID) {
    const int row = RowWithId(m_model.Syntaxes(), nID, [](const auto& syntax) { return syntax.header.nID; });
    if (row >= 0) SelectSyntax(row);
    return row >= 0;
}

SyntaxFields CPageSyntax::Fields() const {
    SyntaxFields f;
    f.name = Typed(m_name);
    f.comment = Typed(m_comment);
    f.container = Typed(m_container->currentText());
    f.video = m_video->isChecked();
    f.videoFormat = Typed(m_videoCombo->currentText());
    f.audio = m_audio->isChecked();
    f.audioFormat = Typed(m_audioCombo->currentText());
    f.conditions = m_conditions;
    return f;
}

bool CPageSyntax::Refused(const PageCheck& check) {
    return ShowRefusal(this, check,
                       {{CSyntaxPageModel::kNameField, m_name},
                        {CSyntaxPageModel::kCommentField, m_comment},
                        {CSyntaxPageModel::kContainerField, m_container},
                        {CSyntaxPageModel::kVideoField, m_videoCombo},
                        {CSyntaxPageModel::kAudioField, m_audioCombo}});
}

void CPageSyntax::AddSyntax() {
    PageCheck check;
    if (!m_model.Add(Fields(), check)) {
        Refused(check);
        return;
    }
    // The new template is the selected one: what is written next goes into it.
    const int row = m_list->count();
    m_list->blockSignals(true);
    m_list->addItem(QString::fromUtf8(m_model.Syntaxes().back().header.szName));
    m_list->setCurrentRow(row);
    m_list->blockSignals(false);
    SelectSyntax(row);
}

void CPageSyntax::UpdateSyntax() {
    const int row = m_list->currentRow();
    if (row < 0) return;
    PageCheck check;
    if (!m_model.Update(row, Fields(), check)) {
        Refused(check);
        return;
    }
    m_list->item(row)->setText(QString::fromUtf8(m_model.Syntaxes()[row].header.szName));
}

void CPageSyntax::DeleteSyntax() {
    const int row = m_list->currentRow();
    if (row < 0 || !m_model.Delete(row)) return;
    m_list->blockSignals(true);
    delete m_list->takeItem(row);
    m_list->setCurrentRow(-1);
    m_list->blockSignals(false);
    m_delete->setEnabled(false);
    m_update->setEnabled(false);
}

void CPageSyntax::WriteConditions() {
    if (m_list->currentRow() >= 0) UpdateSyntax();
}

void CPageSyntax::AddCondition() {
    MonSyntaxItem_t item{};
    if (!m_editor(this, nullptr, item)) return;
    m_conditions.push_back(item);
    ShowConditions();
    WriteConditions();
}

void CPageSyntax::ModifyCondition() {
    const int row = m_conditionList->currentRow();
    if (row < 0 || row >= static_cast<int>(m_conditions.size())) return;
    MonSyntaxItem_t item{};
    if (!m_editor(this, &m_conditions[row], item)) return;
    m_conditions[row] = item;
    SetConditionRow(row, item);
    WriteConditions();
}

void CPageSyntax::DeleteCondition() {
    const int row = m_conditionList->currentRow();
    if (m_list->currentRow() < 0 || row < 0 || row >= static_cast<int>(m_conditions.size())) {
        QApplication::beep();
        return;
    }
    m_conditions.erase(m_conditions.begin() + row);
    ShowConditions();
    WriteConditions();
}
