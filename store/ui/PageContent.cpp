#include "PageContent.h"

#include "GdiplusButton.h"
#include "MyGroupBox.h"
#include "MyListCtrl.h"
#include "PageHelpers.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

using namespace quarvik;

CPageContent::CPageContent(QWidget* parent, const std::string& path)
    : CMyDialog(parent),
      m_model(path),
      m_list(new CMyListCtrl(this)),
      m_update(new CGdiplusButton(QStringLiteral("更新"), this)),
      m_defaults(new CGdiplusButton(QStringLiteral("恢复默认值"), this)) {
    auto* items = new CMyGroupBox(QStringLiteral("项目"), this);
    auto* itemsLayout = new QGridLayout(items);
    for (size_t i = 0; i < kContentSwitches.size(); ++i) {
        m_switches[i] = new QCheckBox(QString::fromUtf8(kContentSwitches[i].label), items);
        m_switches[i]->setChecked(m_model.Switch(static_cast<int>(i)));
        itemsLayout->addWidget(m_switches[i], static_cast<int>(i) / 4, static_cast<int>(i) % 4);
        connect(m_switches[i], &QCheckBox::toggled, this,
                [this, i](bool on) {
                    m_model.SetSwitch(static_cast<int>(i), on);
                    ShowRows();
                });
    }

    auto* params = new CMyGroupBox(QStringLiteral("参数"), this);
    m_list->InsertColumn(kNameColumn, QStringLiteral("名称"), Qt::AlignLeft, 150);
    m_list->InsertColumn(kDurationColumn, QStringLiteral("持续时间"), Qt::AlignLeft, 110);
    m_list->InsertColumn(kThreshold1Column, QStringLiteral("阀值1"), Qt::AlignLeft, 110);
    m_list->InsertColumn(kThreshold2Column, QStringLiteral("阀值2"), Qt::AlignLeft, 110);
    m_list->horizontalHeader()->setStretchLastSection(true);
    m_list->EnableGridLine(true);
    for (int r = 0; r < CContentPageModel::RowCount(); ++r) m_list->InsertItem(r, QString());
    ShowRows();

    auto* edits = new QGridLayout;
    for (int i = 0; i < 3; ++i) {
        m_labels[i] = new QLabel(params);
        m_edits[i] = new QLineEdit(params);
        m_edits[i]->setMaximumWidth(100);
        edits->addWidget(m_labels[i], 0, i * 2);
        edits->addWidget(m_edits[i], 0, i * 2 + 1);
    }
    m_update->setFixedSize(72, 26);
    m_defaults->setFixedSize(96, 26);
    edits->addWidget(m_update, 0, 6);
    edits->setColumnStretch(7, 1);
    // The labels change with the row: keep room for the widest of every row.
    for (int row = 0; row < CContentPageModel::RowCount(); ++row)
        for (int i = 0; i < 3; ++i)
            m_labels[i]->setMinimumWidth(qMax(m_labels[i]->minimumWidth(),
                                              m_labels[i]->fontMetrics().horizontalAdvance(
                                                  QString::fromUtf8(m_model.Edits(row).labels[i])) + 4));

    auto* paramsLayout = new QVBoxLayout(params);
    paramsLayout->addWidget(m_list, 1);
    paramsLayout->addLayout(edits);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(m_defaults);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->addWidget(items);
    layout->addWidget(params, 1);
    layout->addLayout(bottom);

    connect(m_list, &QTableWidget::currentCellChanged, this, [this](int row) { ShowEdits(row); });
    connect(m_update, &QAbstractButton::clicked, this, &CPageContent::UpdateRow);
    connect(m_defaults, &QAbstractButton::clicked, this, &CPageContent::RestoreDefaults);
    SelectRow(0);
}

void CPageContent::ShowRows() {
    for (int r = 0; r < CContentPageModel::RowCount(); ++r) {
        const ContentRowText text = m_model.RowText(r);
        m_list->SetItemText(r, kNameColumn, QString::fromStdString(text.name));
        m_list->SetItemText(r, kDurationColumn, QString::fromStdString(text.duration));
        m_list->SetItemText(r, kThreshold1Column, QString::fromStdString(text.threshold1));
        m_list->SetItemText(r, kThreshold2Column, QString::fromStdString(text.threshold2));
        m_list->setRowHidden(r, !m_model.RowShown(r));
    }
}

void CPageContent::SelectRow(int row) {
    if (m_list->currentRow() != row) m_list->setCurrentCell(row, 0);
    ShowEdits(row);
}

void CPageContent::ShowEdits(int row) {
    if (row < 0 || row >= CContentPageModel::RowCount()) return;
    const ContentEdits edits = m_model.Edits(row);
    for (int i = 0; i < 3; ++i) {
        // A threshold the row's kind does not have shows no edit.
        const bool has = *edits.labels[i] != '\0';
        m_labels[i]->setText(QString::fromUtf8(edits.labels[i]));
        m_edits[i]->setText(QString::number(edits.values[i]));
        m_edits[i]->setVisible(has);
    }
}

std::array<std::string, 3> CPageContent::Typed() const {
    return {quarvik::Typed(m_edits[0]), quarvik::Typed(m_edits[1]), quarvik::Typed(m_edits[2])};
}

bool CPageContent::Refused(const PageCheck& check) {
    return ShowRefusal(this, check,
                       {{CContentPageModel::kDurationField, m_edits[0]},
                        {CContentPageModel::kThreshold1Field, m_edits[1]},
                        {CContentPageModel::kThreshold2Field, m_edits[2]}});
}

void CPageContent::UpdateRow() {
    const int row = m_list->currentRow();
    if (row < 0 || Refused(m_model.UpdateRow(row, Typed()))) return;
    ShowRows();
    ShowEdits(row);
}

void CPageContent::RestoreDefaults() {
    m_model.RestoreDefaults();
    ShowRows();
    ShowEdits(m_list->currentRow());
}

bool CPageContent::Save() { return !Refused(m_model.Save(m_list->currentRow(), Typed())); }
