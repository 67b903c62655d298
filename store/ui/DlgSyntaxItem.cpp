#include "DlgSyntaxItem.h"

#include "GdiplusButton.h"
#include "PageHelpers.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

using namespace quarvik;

CDlgSyntaxItem::CDlgSyntaxItem(QWidget* parent, const MonSyntaxItem_t* item)
    : CMyPopDialog(parent),
      m_kind(new QComboBox(this)),
      m_name(new QComboBox(this)),
      m_compare(new QComboBox(this)),
      m_value1(new QLineEdit(this)),
      m_value2(new QLineEdit(this)),
      m_expression(new QLabel(this)) {
    setWindowTitle(item ? QStringLiteral("附加条件-修改") : QStringLiteral("附加条件-添加"));
    for (const char* kind : kStreamKinds) m_kind->addItem(QString::fromUtf8(kind));
    for (const char* compare : kCompareKinds) m_compare->addItem(QString::fromUtf8(compare));
    // Any property the library reports may be typed, not only the offered ones.
    m_name->setEditable(true);
    // Read-only and wrapped, so a long "between" expression shows whole.
    m_expression->setWordWrap(true);
    m_expression->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_expression->setMinimumHeight(2 * m_expression->fontMetrics().lineSpacing() + 6);
    m_expression->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette bright = m_expression->palette();
    bright.setColor(QPalette::WindowText, QColor(192, 192, 192));
    m_expression->setPalette(bright);

    auto* grid = new QGridLayout;
    grid->setContentsMargins(16, 12, 16, 8);
    grid->setVerticalSpacing(8);
    const std::pair<const char*, QWidget*> rows[] = {{"类型:", m_kind},     {"名称:", m_name},
                                                     {"比较方式:", m_compare}, {"数值1:", m_value1},
                                                     {"数值2:", m_value2},   {"表达式:", m_expression}};
    int row = 0;
    for (const auto& [label, field] : rows) {
        grid->addWidget(new QLabel(QString::fromUtf8(label), this), row, 0);
        grid->addWidget(field, row++, 1);
    }
    grid->setColumnStretch(1, 1);

    const OkCancel buttons = MakeOkCancel();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons.row);

    const int kind = item ? qMax(0, StreamKindIndex(item->szAvLevel)) : 0;
    m_kind->setCurrentIndex(kind);
    FillNames(kind);
    if (item) {
        m_keepId = item->nID;
        m_compare->setCurrentIndex(item->nCompare == 0 ? 0 : 1);
        m_name->setCurrentText(QString::fromUtf8(item->szName));
        m_value1->setText(QString::fromUtf8(item->szValue1));
        m_value2->setText(QString::fromUtf8(item->szValue2));
    }
    CompareChanged(m_compare->currentIndex());

    connect(m_kind, &QComboBox::currentIndexChanged, this, &CDlgSyntaxItem::FillNames);
    connect(m_compare, &QComboBox::currentIndexChanged, this, &CDlgSyntaxItem::CompareChanged);
    connect(m_name, &QComboBox::currentTextChanged, this, &CDlgSyntaxItem::ShowExpression);
    connect(m_value1, &QLineEdit::textChanged, this, &CDlgSyntaxItem::ShowExpression);
    connect(m_value2, &QLineEdit::textChanged, this, &CDlgSyntaxItem::ShowExpression);
    connect(buttons.ok, &QAbstractButton::clicked, this, &CDlgSyntaxItem::accept);
    resize(460, sizeHint().height());
}

void CDlgSyntaxItem::FillNames(int kind) {
    const QSignalBlocker block(m_name);
    m_name->clear();
    for (const char* name : PropertyNames(kind)) m_name->addItem(QString::fromUtf8(name));
    m_name->setCurrentIndex(0);
    ShowExpression();
}

void CDlgSyntaxItem::CompareChanged(int compare) {
    m_value2->setEnabled(compare == 1);
    ShowExpression();
}

ConditionFields CDlgSyntaxItem::Fields() const {
    return {Typed(m_kind->currentText()), Typed(m_name->currentText()), m_compare->currentIndex(), Typed(m_value1),
            Typed(m_value2)};
}

void CDlgSyntaxItem::ShowExpression() {
    const ConditionFields f = Fields();
    m_expression->setText(QString::fromStdString(ConditionExpression(f.kind, f.name, f.compare, f.value1, f.value2)));
}

void CDlgSyntaxItem::accept() {
    const PageCheck check = BuildCondition(Fields(), m_keepId, m_item);
    if (check.Ok()) {
        CMyPopDialog::accept();
        return;
    }
    ShowRefusal(this, check);
    m_value1->setFocus();
}
