#include "SyntaxPageModel.h"

#include "SqliteDb.h"
#include "TemplReaders.h"

namespace quarvik {
namespace {

constexpr const char* kGeneralNames[] = {"VideoCount",          "AudioCount",    "Format",   "Format_Version",
                                         "Format_Profile",      "CodecID",       "FileSize", "Duration",
                                         "OverallBitRate_Mode", "OverallBitRate"};
constexpr const char* kVideoNames[] = {"Format",     "Format_Version", "Format_Profile", "Format_Settings_GOP",
                                       "Codec",      "Duration",       "BitRate_Mode",   "BitRate",
                                       "Width",      "Height",         "FrameRate",      "FrameCountStandard",
                                       "Colorimetry", "BitDepth"};
constexpr const char* kAudioNames[] = {"Format",       "Format_Version", "Format_Profile", "Codec",     "Codec_Profile",
                                       "Duration",     "BitRate_Mode",   "BitRate",        "Channel(s)", "SamplingRate",
                                       "FrameRate",    "Resolution",     "BitDepth"};

constexpr char kFormatName[] = "Format";

// One of the three Format items of the combos.
PageCheck AddFormatItem(std::vector<MonSyntaxItem_t>& items, const char* kind, const std::string& value,
                        const char* label, int field)
{
    MonSyntaxItem_t item{};
    CopyField(item.szAvLevel, kind);
    CopyField(item.szName, kFormatName);
    PageCheck check;
    FillField(item.szValue1, value, label, field, check);
    if (check.Ok()) items.push_back(item);
    return check;
}

}  // namespace

std::span<const char* const> PropertyNames(int kind)
{
    switch (kind) {
    case 0: return kGeneralNames;
    case 1: return kVideoNames;
    case 2: return kAudioNames;
    default: return {};
    }
}

int StreamKindIndex(std::string_view kind)
{
    for (size_t i = 0; i < kStreamKinds.size(); ++i)
        if (kind == kStreamKinds[i]) return static_cast<int>(i);
    return -1;
}

const char* CompareListText(int nCompare)
{
    return kCompareListTexts[nCompare == 0 ? 0 : 1];
}

int CompareFromListText(std::string_view text)
{
    return text == kCompareListTexts[0] ? 0 : 1;
}

std::string ConditionExpression(std::string_view kind, std::string_view name, int nCompare, std::string_view value1,
                                std::string_view value2)
{
    std::string subject = std::string(kind) + "." + std::string(name);
    if (nCompare == 0) return subject + " = " + std::string(value1);
    return subject + " >= " + std::string(value1) + "  AND  " + subject + " <= " + std::string(value2);
}

PageCheck BuildCondition(const ConditionFields& f, int keepId, MonSyntaxItem_t& item)
{
    if (f.value1.empty()) return PageCheck::Refuse(kConditionInputErrorText, 0);
    MonSyntaxItem_t built{};
    built.nID = keepId;
    built.nCompare = f.compare == 0 ? 0 : 1;
    PageCheck check;
    FillField(built.szAvLevel, f.kind, "类型", 0, check);
    FillField(built.szName, f.name, "名称", 0, check);
    FillField(built.szValue1, f.value1, "数值1", 0, check);
    FillField(built.szValue2, f.value2, "数值2", 0, check);
    if (check.Ok()) item = built;
    return check;
}

PageCheck BuildSyntaxItems(const SyntaxFields& f, MonSyntax_t& header, std::vector<MonSyntaxItem_t>& items)
{
    using M = CSyntaxPageModel;
    if (f.name.empty()) return PageCheck::Refuse(kNoSyntaxNameText, M::kNameField);
    MonSyntax_t built{};
    PageCheck check;
    FillField(built.szName, f.name, "名称", M::kNameField, check);
    FillField(built.szComment, f.comment, "说明", M::kCommentField, check);
    std::vector<MonSyntaxItem_t> list;
    if (check.Ok()) check = AddFormatItem(list, kStreamKinds[0], f.container, "容器", M::kContainerField);
    if (check.Ok() && f.video) check = AddFormatItem(list, kStreamKinds[1], f.videoFormat, "视频", M::kVideoField);
    if (check.Ok() && f.audio) check = AddFormatItem(list, kStreamKinds[2], f.audioFormat, "音频", M::kAudioField);
    if (!check.Ok()) return check;
    list.insert(list.end(), f.conditions.begin(), f.conditions.end());
    built.nCount = static_cast<int32_t>(list.size());
    header = built;
    items = std::move(list);
    return check;
}

SyntaxFields SortBackSyntax(const MonSyntax_t& header, std::span<const MonSyntaxItem_t> items)
{
    SyntaxFields f;
    f.name = header.szName;
    f.comment = header.szComment;
    for (const MonSyntaxItem_t& item : items) {
        const std::string_view kind = item.szAvLevel;
        if (std::string_view(item.szName) != kFormatName || StreamKindIndex(kind) < 0) {
            f.conditions.push_back(item);
        } else if (kind == kStreamKinds[0]) {
            f.container = item.szValue1;
        } else if (kind == kStreamKinds[1]) {
            f.video = true;
            f.videoFormat = item.szValue1;
        } else {
            f.audio = true;
            f.audioFormat = item.szValue1;
        }
    }
    return f;
}

bool CSyntaxPageModel::Load()
{
    CSqliteDb db;
    if (!db.OpenTemplDb()) return false;
    m_syntaxes.clear();
    for (const MonSyntax_t& header : LoadSyntaxes(db)) {
        SyntaxEntry entry{header, LoadSyntaxItems(db, header.nID, SyntaxItemColumns::kForEditor)};
        entry.header.nCount = static_cast<int32_t>(entry.items.size());
        entry.header.pItems = nullptr;
        m_syntaxes.push_back(std::move(entry));
    }
    return true;
}

bool CSyntaxPageModel::Add(const SyntaxFields& fields, PageCheck& check)
{
    SyntaxEntry entry;
    check = BuildSyntaxItems(fields, entry.header, entry.items);
    if (!check.Ok()) return false;
    MonSyntax_t record = entry.header;
    record.pItems = entry.items.data();
    CSqliteDb db;
    int newId = 0;
    if (!db.OpenTemplDb() || !db.AddSyntax(record, newId) || newId < 0) return false;
    entry.header.nID = newId;
    m_syntaxes.push_back(std::move(entry));
    m_changed = true;
    return true;
}

bool CSyntaxPageModel::Update(size_t index, const SyntaxFields& fields, PageCheck& check)
{
    check = {};
    if (index >= m_syntaxes.size()) return false;
    SyntaxEntry entry;
    check = BuildSyntaxItems(fields, entry.header, entry.items);
    if (!check.Ok()) return false;
    entry.header.nID = m_syntaxes[index].header.nID;
    MonSyntax_t record = entry.header;
    record.pItems = entry.items.data();
    CSqliteDb db;
    if (!db.OpenTemplDb() || !db.UpdateSyntax(entry.header.nID, record)) return false;
    m_syntaxes[index] = std::move(entry);
    m_changed = true;
    return true;
}

bool CSyntaxPageModel::Delete(size_t index)
{
    if (index >= m_syntaxes.size()) return false;
    CSqliteDb db;
    if (!db.OpenTemplDb() || !db.DeleteSyntax(m_syntaxes[index].header.nID)) return false;
    m_syntaxes.erase(m_syntaxes.begin() + static_cast<std::ptrdiff_t>(index));
    m_changed = true;
    return true;
}

}  // namespace quarvik
