// Reading Templ.db into its records. Each helper runs one of the database's read statements
// on an opened connection (OpenTemplDb) and returns the rows in the statement's order; an
// unopened database or a failing query gives no rows (or false).
#pragma once

#include "SqliteDb.h"
#include "TemplRecords.h"

#include <vector>

namespace quarvik {

// An id with its name, for the choice lists of the task page.
struct IdName_t {
    int32_t nID;
    char szName[kNameFieldBytes];
};

// All tasks in id order, or the enabled ones only.
std::vector<MonTask_t> LoadTasks(CSqliteDb& db, bool activeOnly);
std::vector<MonObj_t> LoadTargets(CSqliteDb& db);
bool LoadTarget(CSqliteDb& db, int nID, MonObj_t& target);
std::vector<IdName_t> LoadTargetNames(CSqliteDb& db);
std::vector<IdName_t> LoadSyntaxNames(CSqliteDb& db);

// Template headers: nCount 0 and pItems null; load the items separately.
std::vector<MonSyntax_t> LoadSyntaxes(CSqliteDb& db);
bool LoadSyntax(CSqliteDb& db, int nID, MonSyntax_t& syntax);

// Which item statement to run: the format check's, or the template editor's, which also
// selects the (unused) nType column.
enum class SyntaxItemColumns { kForCheck, kForEditor };

// The items of a template in insertion order, sized by the count query; never more than it
// counted, should rows be added in between. Point MonSyntax_t::pItems at the result.
std::vector<MonSyntaxItem_t> LoadSyntaxItems(CSqliteDb& db, int nSyntaxID, SyntaxItemColumns columns);

}  // namespace quarvik
