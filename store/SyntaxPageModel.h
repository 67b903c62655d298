// The format-template page and its condition dialog without their windows: the entry lists of
// the combos, the property names per stream kind, the items a template is stored as and how
// they are sorted back onto the page, the condition texts, and the writes of Templ.db.
//
// Stored items, in order: "General"/"Format" with the container (always), "Video"/"Format"
// when the video box is checked, "Audio"/"Format" when the audio box is checked, then the
// conditions in list order. Each write opens its own connection; a failed write changes
// nothing. Used on one thread (the page's).
#pragma once

#include "PageCheck.h"
#include "TemplRecords.h"

#include <array>
#include <span>
#include <string>
#include <vector>

namespace quarvik {

inline constexpr char kNoSyntaxNameText[] = "请输入名称!";
inline constexpr char kConditionInputErrorText[] = "输入错误!";

inline constexpr std::array<const char*, 12> kContainerFormats = {
    "MPEG-PS", "MPEG-TS", "MPEG-4", "AVI", "DV", "MXF", "GXF", "LXF", "FLV", "RMVB", "QuickTime", "Windows Media"};
inline constexpr std::array<const char*, 5> kVideoFormats = {"MPEG Video", "H.263", "AVC", "MPEG-4", "WMV"};
inline constexpr std::array<const char*, 7> kAudioFormats = {"MPEG Audio", "AAC", "DTS", "AC-3", "PCM", "ADPCM", "WMA"};

inline constexpr std::array<const char*, 3> kStreamKinds = {"General", "Video", "Audio"};
// The property names the condition dialog offers for a stream kind (index into kStreamKinds).
std::span<const char* const> PropertyNames(int kind);
// The index of a kind's text in kStreamKinds, or -1.
int StreamKindIndex(std::string_view kind);

// The condition dialog's compare kinds (index = nCompare) and how the list shows them.
inline constexpr std::array<const char*, 2> kCompareKinds = {"等于 数值1", "位于 数值1 和 数值2 中间"};
inline constexpr std::array<const char*, 2> kCompareListTexts = {"等于", "区间"};
const char* CompareListText(int nCompare);
// The list's 比较 text back as nCompare: 0 for "等于", 1 otherwise.
int CompareFromListText(std::string_view text);

// "%s.%s = %s" or "%s.%s >= %s  AND  %s.%s <= %s".
std::string ConditionExpression(std::string_view kind, std::string_view name, int nCompare,
                                std::string_view value1, std::string_view value2);

// What the condition dialog holds.
struct ConditionFields {
    std::string kind = kStreamKinds[0];
    std::string name;
    int compare = 0;
    std::string value1;
    std::string value2;
};

// The dialog's OK: value 1 must not be empty ("输入错误!"); the item is built zeroed with
// keepId, every text whole (a text too long for its field is refused).
PageCheck BuildCondition(const ConditionFields& fields, int keepId, MonSyntaxItem_t& item);

// What the page shows of a template.
struct SyntaxFields {
    std::string name;
    std::string comment;
    std::string container;
    bool video = false;
    std::string videoFormat;
    bool audio = false;
    std::string audioFormat;
    std::vector<MonSyntaxItem_t> conditions;  // the rows of the conditions list
};

// The stored items of the page's fields: "请输入名称!" when the name is empty.
PageCheck BuildSyntaxItems(const SyntaxFields& fields, MonSyntax_t& header, std::vector<MonSyntaxItem_t>& items);
// The page's fields of a stored template: the Format items of the three kinds set the combos
// (a later one overriding an earlier one), every other item becomes a condition row.
SyntaxFields SortBackSyntax(const MonSyntax_t& header, std::span<const MonSyntaxItem_t> items);

// A template with the items it owns.
struct SyntaxEntry {
    MonSyntax_t header{};  // pItems unused: see items
    std::vector<MonSyntaxItem_t> items;
};

class CSyntaxPageModel {
public:
    enum Field { kNoField = 0, kNameField, kCommentField, kContainerField, kVideoField, kAudioField };

    // "select * from Syntax Order by nID", each template with its items; false when Templ.db
    // cannot be opened.
    bool Load();
    const std::vector<SyntaxEntry>& Syntaxes() const { return m_syntaxes; }

    bool Add(const SyntaxFields& fields, PageCheck& check);
    bool Update(size_t index, const SyntaxFields& fields, PageCheck& check);
    bool Delete(size_t index);

    // Whether Add, Update or Delete wrote Templ.db since Load: what the running tasks were
    // built from has changed.
    bool Changed() const { return m_changed; }

private:
    std::vector<SyntaxEntry> m_syntaxes;
    bool m_changed = false;
};

}  // namespace quarvik
