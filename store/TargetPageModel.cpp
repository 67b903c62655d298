#include "TargetPageModel.h"

#include "SqliteDb.h"
#include "TemplReaders.h"

namespace quarvik {
namespace {

// Four numbers 0-255 joined by dots, as an address control holds them.
bool IsDottedIpv4(std::string_view text)
{
    int parts = 0;
    while (true) {
        size_t n = 0;
        while (n < text.size() && n < 4 && text[n] >= '0' && text[n] <= '9') ++n;
        int value = 0;
        if (n == 0 || n > 3 || !ParseWholeInt(text.substr(0, n), value) || value > 255) return false;
        ++parts;
        text.remove_prefix(n);
        if (text.empty()) return parts == 4;
        if (text.front() != '.' || parts == 4) return false;
        text.remove_prefix(1);
    }
}

// An address is optional; one that is given must be whole.
void FillAddress(char (&dst)[sizeof(MonObj_t::szIp)], const std::string& ip, PageCheck& check)
{
    if (check.Ok() && !ip.empty() && !IsDottedIpv4(ip))
        check = PageCheck::Refuse(kBadIpText, CTargetPageModel::kIpField);
    FillField(dst, ip, "IP地址", CTargetPageModel::kIpField, check);
}

}  // namespace

bool CTargetPageModel::Load()
{
    CSqliteDb db;
    if (!db.OpenTemplDb()) return false;
    m_targets = LoadTargets(db);
    return true;
}

TargetFields CTargetPageModel::FieldsOf(const MonObj_t& o)
{
    TargetFields f;
    f.name = o.szName;
    f.type = o.nType;
    f.comment = o.szComment;
    f.ip = o.szIp;
    f.port = std::to_string(o.nPort);
    f.path = o.szPath;
    f.user = o.szUser;
    f.password = o.szPasswd;
    f.timeSpan = std::to_string(o.nTimeSpan);
    return f;
}

PageCheck CTargetPageModel::Build(const TargetFields& f, MonObj_t& target)
{
    if (f.type < 0 || f.type >= static_cast<int>(kTargetKindLabels.size()))
        return PageCheck::Refuse(IntRangeText(0, static_cast<int>(kTargetKindLabels.size()) - 1), kNoField);
    MonObj_t o{};
    o.nType = f.type;
    PageCheck check;
    FillField(o.szName, f.name, "名称", kNameField, check);
    FillField(o.szComment, f.comment, "说明", kCommentField, check);
    switch (f.type) {
    case kTargetFtp:
        FillAddress(o.szIp, f.ip, check);
        if (check.Ok()) check = CheckIntRange(f.port, kPortLow, kPortHigh, kPortField, o.nPort);
        FillField(o.szPath, f.path, "路径", kPathField, check);
        FillField(o.szUser, f.user, "用户名", kUserField, check);
        FillField(o.szPasswd, f.password, "密码", kPasswordField, check);
        if (check.Ok()) check = CheckIntRange(f.timeSpan, kTimeSpanLow, kTimeSpanHigh, kTimeSpanField, o.nTimeSpan);
        break;
    case kTargetUdp:
        FillAddress(o.szIp, f.ip, check);
        if (check.Ok()) check = CheckIntRange(f.port, kPortLow, kPortHigh, kPortField, o.nPort);
        break;
    case kTargetFolder:
        FillField(o.szPath, f.path, "文件夹", kPathField, check);
        if (check.Ok()) check = CheckIntRange(f.timeSpan, kTimeSpanLow, kTimeSpanHigh, kTimeSpanField, o.nTimeSpan);
        break;
    default:  // a removable disk has no address
        break;
    }
    if (check.Ok()) target = o;
    return check;
}

bool CTargetPageModel::Add(const TargetFields& fields, PageCheck& check)
{
    MonObj_t target{};
    check = Build(fields, target);
    if (!check.Ok()) return false;
    CSqliteDb db;
    int newId = 0;
    if (!db.OpenTemplDb() || !db.AddTarget(newId, target)) return false;
    target.nID = newId;
    m_targets.push_back(target);
    m_changed = true;
    return true;
}

bool CTargetPageModel::Update(size_t index, const TargetFields& fields, PageCheck& check)
{
    check = {};
    if (index >= m_targets.size()) return false;
    MonObj_t target{};
    check = Build(fields, target);
    if (!check.Ok()) return false;
    target.nID = m_targets[index].nID;
    CSqliteDb db;
    if (!db.OpenTemplDb() || !db.UpdateTarget(target.nID, target)) return false;
    m_targets[index] = target;
    m_changed = true;
    return true;
}

bool CTargetPageModel::Delete(size_t index)
{
    if (index >= m_targets.size()) return false;
    CSqliteDb db;
    if (!db.OpenTemplDb() || !db.DeleteTarget(m_targets[index].nID)) return false;
    m_targets.erase(m_targets.begin() + static_cast<std::ptrdiff_t>(index));
    m_changed = true;
    return true;
}

}  // namespace quarvik
