#include "TaskPageModel.h"

#include "SqliteDb.h"

namespace quarvik {

bool CTaskPageModel::Load()
{
    CSqliteDb db;
    if (!db.OpenTemplDb()) return false;
    m_tasks = LoadTasks(db, false);
    return true;
}

std::vector<IdName_t> CTaskPageModel::TargetChoices()
{
    CSqliteDb db;
    return db.OpenTemplDb() ? LoadTargetNames(db) : std::vector<IdName_t>{};
}

std::vector<IdName_t> CTaskPageModel::SyntaxChoices()
{
    CSqliteDb db;
    return db.OpenTemplDb() ? LoadSyntaxNames(db) : std::vector<IdName_t>{};
}

TaskFields CTaskPageModel::FieldsOf(const MonTask_t& task)
{
    TaskFields f;
    f.name = task.szName;
    f.comment = task.szComment;
    f.targetId = task.nTargetID;
    f.syntax = task.bSyntax != 0;
    f.syntaxId = task.nSyntaxID;
    f.picture = task.bPicute != 0;
    f.alert = task.bAlert != 0;
    f.log = task.bLog != 0;
    f.record = task.bRecord != 0;
    return f;
}

PageCheck CTaskPageModel::Build(const TaskFields& f, MonTask_t& task)
{
    if (f.name.empty()) return PageCheck::Refuse(kNoTaskNameText, kNameField);
    if (!f.syntax && !f.picture) return PageCheck::Refuse(kNoTaskContentText, kContentField);
    MonTask_t built = task;
    PageCheck check;
    FillField(built.szName, f.name, "名称", kNameField, check);
    FillField(built.szComment, f.comment, "说明", kCommentField, check);
    if (!check.Ok()) return check;
    built.nTargetID = f.targetId;
    built.bSyntax = f.syntax ? 1 : 0;
    built.nSyntaxID = f.syntaxId;
    built.bPicute = f.picture ? 1 : 0;
    built.bAlert = f.alert ? 1 : 0;
    built.bLog = f.log ? 1 : 0;
    built.bRecord = f.record ? 1 : 0;
    task = built;
    return check;
}

bool CTaskPageModel::Add(const TaskFields& fields, PageCheck& check)
{
    MonTask_t task{};
    task.bActive = 1;
    check = Build(fields, task);
    if (!check.Ok()) return false;
    CSqliteDb db;
    int newId = 0;
    if (!db.OpenTemplDb() || !db.AddTask(task, newId)) return false;
    task.nID = newId;
    m_tasks.push_back(task);
    m_changed = true;
    return true;
}

bool CTaskPageModel::Update(size_t index, const TaskFields& fields, PageCheck& check)
{
    check = {};
    if (index >= m_tasks.size()) return false;
    MonTask_t task = m_tasks[index];
    check = Build(fields, task);
    if (!check.Ok()) return false;
    CSqliteDb db;
    if (!db.OpenTemplDb() || !db.UpdateTask(task.nID, task)) return false;
    m_tasks[index] = task;
    m_changed = true;
    return true;
}

bool CTaskPageModel::Delete(size_t index)
{
    if (index >= m_tasks.size()) return false;
    CSqliteDb db;
    if (!db.OpenTemplDb() || !db.DeleteTask(m_tasks[index].nID)) return false;
    m_tasks.erase(m_tasks.begin() + static_cast<std::ptrdiff_t>(index));
    m_changed = true;
    return true;
}

void CTaskPageModel::ToggleActive(size_t index)
{
    if (index < m_tasks.size()) m_tasks[index].bActive = m_tasks[index].bActive ? 0 : 1;
}

}  // namespace quarvik
