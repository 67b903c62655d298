#pragma once
// "附加条件": the dialog that edits one condition of a format template. Given an item it
// modifies it ("附加条件-修改"), else it makes a new one ("附加条件-添加"); OK refuses an empty
// value 1 with "输入错误!" and keeps the dialog open.
#include "MyPopDialog.h"
#include "SyntaxPageModel.h"

class QComboBox;
class QLabel;
class QLineEdit;

class CDlgSyntaxItem : public CMyPopDialog {
    Q_OBJECT
public:
    CDlgSyntaxItem(QWidget* parent, const quarvik::MonSyntaxItem_t* item);

    // The edited item, valid after OK.
    const quarvik::MonSyntaxItem_t& Item() const { return m_item; }

    QComboBox* KindCombo() const { return m_kind; }
    QComboBox* NameCombo() const { return m_name; }
    QComboBox* CompareCombo() const { return m_compare; }
    QLineEdit* Value1Edit() const { return m_value1; }
    QLineEdit* Value2Edit() const { return m_value2; }
    QLabel* Expression() const { return m_expression; }

    void accept() override;

private:
    void FillNames(int kind);
    void CompareChanged(int compare);
    void ShowExpression();
    quarvik::ConditionFields Fields() const;

    int m_keepId = 0;
    quarvik::MonSyntaxItem_t m_item{};
    QComboBox* m_kind;
    QComboBox* m_name;
    QComboBox* m_compare;
    QLineEdit* m_value1;
    QLineEdit* m_value2;
    QLabel* m_expression;
};
