// The row loop shared by the read helpers: one query, one record per row.
#pragma once

#include "SqliteDb.h"

#include <sqlite3.h>

#include <string>
#include <vector>

namespace quarvik {

// Runs sql and appends one zero-filled Row per result row, filled by fill(db, row). Stops after
// maxRows rows when given. An unopened database or a failing query yields no rows.
template <typename Row, typename Fill>
std::vector<Row> LoadRows(CSqliteDb& db, const std::string& sql, Fill fill, size_t maxRows = SIZE_MAX)
{
    std::vector<Row> rows;
    if (!db.Query(sql))
        return rows;
    while (rows.size() < maxRows && db.Step() == SQLITE_ROW) {
        Row row{};
        fill(db, row);
        rows.push_back(std::move(row));
    }
    db.EndQuery();
    return rows;
}

}  // namespace quarvik
