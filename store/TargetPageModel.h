// The target page of the options dialog without its window: the targets of Templ.db in list
// order, the records built from the page and its kind's pane, and the writes.
//
// Each write opens its own connection to Templ.db; a failed write changes nothing. Used on
// one thread (the page's).
#pragma once

#include "PageCheck.h"
#include "TemplRecords.h"

#include <array>
#include <string>
#include <vector>

namespace quarvik {

// The kind combo's entries; the index is MonObj_t::nType.
inline constexpr std::array<const char*, 4> kTargetKindLabels = {"FTP 服务器", "UDP 多播/单播", "本地文件夹",
                                                                 "移动硬盘"};

inline constexpr char kBadIpText[] = "请输入有效的IP地址!";

inline constexpr int kPortLow = 1, kPortHigh = 65535;
inline constexpr int kTimeSpanLow = 5, kTimeSpanHigh = 3600;

// What the page and its panes show; numbers as typed. Only the fields of the chosen kind's
// pane are read.
struct TargetFields {
    std::string name;
    int type = kTargetFtp;
    std::string comment;
    std::string ip;
    std::string port;
    std::string path;
    std::string user;
    std::string password;
    std::string timeSpan;
};

class CTargetPageModel {
public:
    enum Field { kNoField = 0, kNameField, kCommentField, kIpField, kPortField, kPathField, kUserField,
                 kPasswordField, kTimeSpanField };

    // "select * from Target Order by nID"; false when Templ.db cannot be opened.
    bool Load();
    const std::vector<MonObj_t>& Targets() const { return m_targets; }

    static TargetFields FieldsOf(const MonObj_t& target);
    // A zeroed record of the chosen kind with the page's fields and the pane's of that kind,
    // checked in the order of the controls (ranges, then widths). The name may be empty.
    static PageCheck Build(const TargetFields& fields, MonObj_t& target);

    bool Add(const TargetFields& fields, PageCheck& check);
    // True only when the database reports a changed row; then the list entry is replaced.
    bool Update(size_t index, const TargetFields& fields, PageCheck& check);
    bool Delete(size_t index);

    // Whether Add, Update or Delete wrote Templ.db since Load: what the running tasks were
    // built from has changed.
    bool Changed() const { return m_changed; }

private:
    std::vector<MonObj_t> m_targets;
    bool m_changed = false;
};

}  // namespace quarvik
