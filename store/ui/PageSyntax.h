#pragma once
// The "格式模板" page: format templates with their container, video and audio formats and
// further conditions. Templates are added, updated and deleted at once; every change of a
// condition writes the selected template at once, so the stored template matches the list.
#include "MyDialog.h"
#include "SyntaxPageModel.h"

#include <functional>
#include <vector>

class CGdiplusButton;
class CMyListCtrl;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;

class CPageSyntax : public CMyDialog {
    Q_OBJECT
public:
    enum Column { kKindColumn, kNameColumn, kCompareColumn, kValue1Column, kValue2Column };

    // Opens the condition dialog for item (null: a new condition); true with out set on OK.
    using ConditionEditor = std::function<bool(QWidget* parent, const quarvik::MonSyntaxItem_t* item,
                                               quarvik::MonSyntaxItem_t& out)>;

    explicit CPageSyntax(QWidget* parent = nullptr);

    const quarvik::CSyntaxPageModel& Model() const { return m_model; }
    QListWidget* List() const { return m_list; }
    QLineEdit* NameEdit() const { return m_name; }
    QLineEdit* CommentEdit() const { return m_comment; }
    QComboBox* ContainerCombo() const { return m_container; }
    QCheckBox* VideoBox() const { return m_video; }
    QComboBox* VideoCombo() const { return m_videoCombo; }
    QCheckBox* AudioBox() const { return m_audio; }
    QComboBox* AudioCombo() const { return m_audioCombo; }
    CMyListCtrl* Conditions() const { return m_conditionList; }
    CGdiplusButton* AddConditionButton() const { return m_addCondition; }
    CGdiplusButton* DeleteConditionButton() const { return m_deleteCondition; }
    CGdiplusButton* ModifyConditionButton() const { return m_modifyCondition; }
    CGdiplusButton* AddButton() const { return m_add; }
    CGdiplusButton* DeleteButton() const { return m_delete; }
    CGdiplusButton* UpdateButton() const { return m_update; }

    void SetConditionEditor(ConditionEditor editor) { m_editor = std::move(editor); }

    void SelectSyntax(int row);
    bool SelectSyntaxId(int nID);

private:
    quarvik::SyntaxFields Fields() const;
    void ShowConditions();
    void SetConditionRow(int row, const quarvik::MonSyntaxItem_t& item);
    bool Refused(const quarvik::PageCheck& check);
    void AddSyntax();
    void UpdateSyntax();
    void DeleteSyntax();
    void AddCondition();
    void ModifyCondition();
    void DeleteCondition();
    // Writes the selected template after a change of its conditions.
    void WriteConditions();
    void EnableConditionButtons();

    quarvik::CSyntaxPageModel m_model;
    std::vector<quarvik::MonSyntaxItem_t> m_conditions;  // the rows of the conditions list
    ConditionEditor m_editor;
    QListWidget* m_list;
    QLineEdit* m_name;
    QLineEdit* m_comment;
    QComboBox* m_container;
    QCheckBox* m_video;
    QComboBox* m_videoCombo;
    QCheckBox* m_audio;
    QComboBox* m_audioCombo;
    CMyListCtrl* m_conditionList;
    CGdiplusButton* m_addCondition;
    CGdiplusButton* m_deleteCondition;
    CGdiplusButton* m_modifyCondition;
    CGdiplusButton* m_add;
    CGdiplusButton* m_delete;
    CGdiplusButton* m_update;
};
