// The task page of the options dialog without its window: the tasks of Templ.db in list order,
// the checks of the page's fields and the writes of add, update and delete.
//
// Each write opens its own connection to Templ.db. A write that fails leaves the tasks as they
// were. Used on one thread (the page's).
#pragma once

#include "PageCheck.h"
#include "TemplReaders.h"
#include "TemplRecords.h"

#include <string>
#include <vector>

namespace quarvik {

inline constexpr char kNoTaskNameText[] = "请输入任务名称!";
inline constexpr char kNoTaskContentText[] = "无监测内容选择!";

// What the page shows of a task; the ids are the item data of the two combos (0 when the
// combo has no selection).
struct TaskFields {
    std::string name;
    std::string comment;
    int targetId = 0;
    bool syntax = false;
    int syntaxId = 0;
    bool picture = false;
    // Kept from the task shown last: the page has no visible controls for them.
    bool alert = false;
    bool log = false;
    bool record = false;
};

class CTaskPageModel {
public:
    enum Field { kNoField = 0, kNameField, kCommentField, kContentField };

    // "Select * from AutoTask ORDER by nID"; false when Templ.db cannot be opened.
    bool Load();
    const std::vector<MonTask_t>& Tasks() const { return m_tasks; }

    // The choices of the target and template combos, read anew on each call.
    static std::vector<IdName_t> TargetChoices();
    static std::vector<IdName_t> SyntaxChoices();

    static TaskFields FieldsOf(const MonTask_t& task);
    // Checks in the page's order: a name, some content, then the field widths. On success
    // task holds the fields (its nID and bActive untouched).
    static PageCheck Build(const TaskFields& fields, MonTask_t& task);

    // Appends an enabled task; false with check set when refused, false with check empty
    // when the database refused it.
    bool Add(const TaskFields& fields, PageCheck& check);
    // Rewrites the task at index from the fields, keeping its bActive.
    bool Update(size_t index, const TaskFields& fields, PageCheck& check);
    bool Delete(size_t index);
    // Switches the task on or off in the list only; the next Update writes it.
    void ToggleActive(size_t index);

    // Whether Add, Update or Delete wrote Templ.db since Load: what the running tasks were
    // built from has changed.
    bool Changed() const { return m_changed; }

private:
    std::vector<MonTask_t> m_tasks;
    bool m_changed = false;
};

}  // namespace quarvik
