#include "ContentPageModel.h"

#include "FaultKinds.h"

namespace quarvik {

CContentPageModel::CContentPageModel(std::string path) : m_path(std::move(path))
{
    LoadContentParams(m_table, m_path);
    for (int code = 0; code < kContentParamCount; ++code) m_table[code].nFault = code;
    for (size_t i = 0; i < kContentSwitches.size(); ++i) m_switches[i] = m_table[kContentSwitches[i].code].nEnable != 0;
}

const char* SoundRowChannels(int code)
{
    switch (SoundGroupOf(code)) {
    case kFaultSilenceLeft: return "(左声道)";
    case kFaultSilenceRight: return "(右声道)";
    default: return "(其他声道)";
    }
}

bool CContentPageModel::IsSoundRow(int row)
{
    return row >= 0 && row < RowCount() && !IsPictureFault(kContentRowCodes[row]);
}

ContentRowText CContentPageModel::RowText(int row) const
{
    if (row < 0 || row >= RowCount()) return {};
    const ContentParam_t& p = m_table[kContentRowCodes[row]];
    const FaultKind* kind = FindFaultKind(p.nFault);
    ContentRowText text;
    text.name = kind && kind->optionName ? kind->optionName : "";
    if (IsSoundRow(row)) {
        text.name += SoundRowChannels(p.nFault);
        text.duration = std::to_string(p.nDuration / kCheckFramesPerSecond) + " 秒";
        text.threshold1 = std::to_string(p.nThreshold1) + " dBFS";
        text.threshold2 = std::to_string(p.nThreshold2) + " dBFS";
    } else {
        text.duration = std::to_string(p.nDuration) + " 帧";
        text.threshold1 = std::to_string(p.nThreshold1) + (kind && kind->threshold1Unit ? kind->threshold1Unit : "");
        text.threshold2 = std::to_string(p.nThreshold2) + (kind && kind->threshold2Unit ? kind->threshold2Unit : " %");
        const ContentEdits edits = Edits(row);
        if (!*edits.labels[1])
            text.threshold1 = "-";
        if (!*edits.labels[2])
            text.threshold2 = "-";
    }
    return text;
}

ContentEdits CContentPageModel::Edits(int row) const
{
    if (row < 0 || row >= RowCount()) return {{"", "", ""}, {0, 0, 0}};
    const ContentParam_t& p = m_table[kContentRowCodes[row]];
    if (IsSoundRow(row))
        return {{"持续时间(秒):", "下限(dBFS):", "上限(dBFS):"},
                {p.nDuration / kCheckFramesPerSecond, p.nThreshold1, p.nThreshold2}};
    const FaultKind* kind = FindFaultKind(p.nFault);
    return {{"持续时间(帧):", kind && kind->threshold1Label ? kind->threshold1Label : "门限:",
             kind && kind->threshold2Label ? kind->threshold2Label : "相似度(%):"},
            {p.nDuration, p.nThreshold1, p.nThreshold2}};
}

PageCheck CContentPageModel::Parse(int row, const std::array<std::string, 3>& typed, std::array<int, 3>& values) const
{
    if (row < 0 || row >= RowCount()) return {};
    PageCheck check = CheckIntRange(typed[0], kDurationLow, kDurationHigh, kDurationField, values[0]);
    if (check.Ok() && !ParseWholeInt(typed[1], values[1])) check = PageCheck::Refuse(kNotIntegerText, kThreshold1Field);
    if (check.Ok() && !ParseWholeInt(typed[2], values[2])) check = PageCheck::Refuse(kNotIntegerText, kThreshold2Field);
    return check;
}

PageCheck CContentPageModel::UpdateRow(int row, const std::array<std::string, 3>& typed)
{
    std::array<int, 3> values{};
    PageCheck check = Parse(row, typed, values);
    if (!check.Ok() || row < 0 || row >= RowCount()) return check;
    ContentParam_t& p = m_table[kContentRowCodes[row]];
    p.nDuration = IsSoundRow(row) ? values[0] * kCheckFramesPerSecond : values[0];
    p.nThreshold1 = values[1];
    p.nThreshold2 = values[2];
    return check;
}

void CContentPageModel::RestoreDefaults()
{
    SetDefaultContentParams(m_table);
}

bool CContentPageModel::RowShown(int row) const
{
    if (!IsSoundRow(row) || SoundGroupOf(kContentRowCodes[row]) == kFaultSilenceLeft)
        return row >= 0 && row < RowCount();
    for (size_t i = 0; i < kContentSwitches.size(); ++i) {
        if (kContentSwitches[i].code == SoundGroupOf(kContentRowCodes[row]))
            return m_switches[i];
    }
    return true;
}

bool CContentPageModel::Switch(int index) const
{
    return index >= 0 && index < static_cast<int>(m_switches.size()) && m_switches[index];
}

void CContentPageModel::SetSwitch(int index, bool on)
{
    if (index >= 0 && index < static_cast<int>(m_switches.size())) m_switches[index] = on;
}

PageCheck CContentPageModel::Save(int row, const std::array<std::string, 3>& typed)
{
    std::array<int, 3> values{};
    PageCheck check = Parse(row, typed, values);
    if (!check.Ok()) return check;
    for (size_t i = 0; i < kContentSwitches.size(); ++i) m_table[kContentSwitches[i].code].nEnable = m_switches[i] ? 1 : 0;
    if (!SaveContentParams(m_table, m_path)) return PageCheck::Refuse("保存参数文件 \"ave.dat\" 失败!", kNoField);
    return check;
}

}  // namespace quarvik
