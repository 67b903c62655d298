#pragma once
// The "监测任务" page: the monitoring tasks of Templ.db with their target, format template and
// content switches. Every add, update and delete is written at once; a double-click switches
// a task on or off in the list, written by its next update. The target and template choices
// are read again each time the page is shown.
#include "MyDialog.h"
#include "TaskPageModel.h"

class CGdiplusButton;
class CMyListCtrl;
class QCheckBox;
class QComboBox;
class QLineEdit;

class CPageTask : public CMyDialog {
    Q_OBJECT
public:
    explicit CPageTask(QWidget* parent = nullptr);

    const quarvik::CTaskPageModel& Model() const { return m_model; }
    CMyListCtrl* List() const { return m_list; }
    QLineEdit* NameEdit() const { return m_name; }
    QLineEdit* CommentEdit() const { return m_comment; }
    QComboBox* TargetCombo() const { return m_target; }
    QComboBox* SyntaxCombo() const { return m_syntaxCombo; }
    QCheckBox* SyntaxBox() const { return m_syntax; }
    QCheckBox* PictureBox() const { return m_picture; }
    CGdiplusButton* AddButton() const { return m_add; }
    CGdiplusButton* DeleteButton() const { return m_delete; }
    CGdiplusButton* UpdateButton() const { return m_update; }
    CGdiplusButton* ManageTargetButton() const { return m_manageTarget; }
    CGdiplusButton* ManageSyntaxButton() const { return m_manageSyntax; }
    CGdiplusButton* ManageContentButton() const { return m_manageContent; }

    void SelectTask(int row);
    void FillChoices();
    // The dialog's OK: nothing is left to write.
    bool Save() { return true; }

signals:
    // The "模板管理" buttons: the target or template of the task on the page (0 when none).
    void ManageTarget(int targetId);
    void ManageSyntax(int syntaxId);
    void ManageContent();

protected:
    void showEvent(QShowEvent* event) override;

private:
    quarvik::TaskFields Fields() const;
    void AddTask();
    void UpdateTask();
    void DeleteTask();
    void ToggleTask(int row);
    void EnableRowButtons(bool on);
    bool Refused(const quarvik::PageCheck& check);

    quarvik::CTaskPageModel m_model;
    quarvik::TaskFields m_shown;  // the hidden switches of the task shown last
    CMyListCtrl* m_list;
    QLineEdit* m_name;
    QLineEdit* m_comment;
    QComboBox* m_target;
    CGdiplusButton* m_manageTarget;
    QCheckBox* m_syntax;
    QComboBox* m_syntaxCombo;
    CGdiplusButton* m_manageSyntax;
    QCheckBox* m_picture;
    CGdiplusButton* m_manageContent;
    CGdiplusButton* m_add;
    CGdiplusButton* m_delete;
    CGdiplusButton* m_update;
};
