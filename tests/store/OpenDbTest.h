// A fresh program folder per test with one of its databases open as db_, and a row count.
#pragma once

#include "SqliteDb.h"
#include "TempHome.h"

#include <sqlite3.h>

#include <string>

namespace quarvik {

template <bool (CSqliteDb::*Open)()>
class OpenDbTest : public TempHomeTest {
protected:
    void SetUp() override
    {
        TempHomeTest::SetUp();
        ASSERT_TRUE((db_.*Open)());
    }
    void TearDown() override
    {
        db_.Close();
        TempHomeTest::TearDown();
    }

    // The first column of the first row of a "select count(...)"; -1 when there is none.
    int Count(const std::string& sql)
    {
        int32_t n = -1;
        EXPECT_TRUE(db_.Query(sql));
        if (db_.Step() == SQLITE_ROW)
            db_.GetInt(0, n);
        db_.EndQuery();
        return n;
    }

    // Name and statement of every table, index and trigger but a table of our own and its
    // trigger, in name order: what must stay as it was when that table is added.
    std::string SchemaWithout(const std::string& table, const std::string& trigger)
    {
        std::string all;
        EXPECT_TRUE(db_.Query("select name,sql from sqlite_master where tbl_name!='" + table + "' and name!='" +
                              trigger + "' order by name"));
        while (db_.Step() == SQLITE_ROW) {
            std::string name, sql;
            db_.GetString(0, name);
            db_.GetString(1, sql);
            all += name + ":" + sql + "\n";
        }
        db_.EndQuery();
        return all;
    }

    // A stored result of no task (the manual list's), for the details of a table of our own.
    int NewResult()
    {
        ResultInfo_t r{};
        r.nTaskID = -1;
        r.nSubTaskID = 3;
        int id = 0;
        EXPECT_TRUE(db_.AddResult(id, r));
        return id;
    }

    CSqliteDb db_;
};

}  // namespace quarvik
