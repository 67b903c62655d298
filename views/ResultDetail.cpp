#include "ResultDetail.h"

#include "FaultKinds.h"

#include <map>

namespace quarvik {

int DetailIconOfKind(int32_t code)
{
    if (!FindFaultKind(code))
        return kNoDetailIcon;
    if (IsPictureFault(code)) {
        const int icon = code <= kFaultMosaic ? code : kDetailIconFlash + (code - kFaultFlash);
        return icon < kDetailIconCount ? icon : kNoDetailIcon;
    }
    // Sound kinds: level bars, left then right channel; the other channels show the left's.
    if (code >= kFaultSilenceOther && code <= kFaultTooHighOther)
        code -= kFaultSilenceOther - kFaultSilenceLeft;
    return code >= kFaultSilenceLeft && code <= kFaultTooHighRight ? 6 + (code - kFaultSilenceLeft) : kNoDetailIcon;
}

void CResultDetail::Load(CSqliteDb& db, const ResultInfo_t& result)
{
    m_stored = StoredResultReport{};
    m_stored.report.result = result;
    m_stored.report.result.pFaceImage = nullptr;
    m_stored.report.result.nFaceImageSize = 0;
    m_rows.clear();
    m_stored.report.media = LoadMediaInfo(db, result.nID);
    if (DeviationMode()) {
        m_stored.report.deviations = LoadSyntaxErrs(db, result.nID);
        for (const SyntaxErrRow& row : m_stored.report.deviations)
            m_rows.push_back({kNoDetailIcon, DeviationTexts(row)});
    } else {
        LoadFaultsOf(db, result.nID, m_stored);
        const ResultReport& report = m_stored.report;
        for (size_t i = 0; i < report.faults.size(); ++i)
            m_rows.push_back({DetailIconOfKind(report.faults[i].nFault),
                              FaultEventTexts(report.faults[i], report.clock, report.FaultChannelName(i))});
    }
    BuildTree();
}

void CResultDetail::BuildTree()
{
    const ResultReport& report = m_stored.report;
    DetailNode media{"媒体信息", kDetailIconPlus, {}};
    for (const MediaInfoRow& row : report.media) {
        if (!row.szFeature.empty() && row.szFeature[0] == ' ') {
            DetailNode property{row.szFeature + " : " + row.szValue, kDetailIconInfo, {}};
            // A property before any heading hangs under the root.
            (media.children.empty() ? media : media.children.back()).children.push_back(std::move(property));
        } else {
            media.children.push_back({row.szFeature, kDetailIconPlus, {}});
        }
    }
    if (report.media.empty())
        media.children.push_back({"Unknown!", kDetailIconMinus, {}});

    DetailNode format{"语法检测结果", kDetailIconPlus, {}};
    switch (report.result.nFmtError) {
    case kFormatNotChecked: format.children.push_back({"未检测", kDetailIconQuestion, {}}); break;
    case kFormatInvalid: format.children.push_back({"发现错误", kDetailIconCross, {}}); break;
    case kFormatValid: format.children.push_back({"语法正确", kDetailIconTick, {}}); break;
    default: break;
    }

    DetailNode content{"内容检测结果", kDetailIconMinus, {}};
    if (!report.faults.empty()) {
        std::map<int32_t, int> counts;  // in kind-code order
        for (const FaultInfo_t& fault : report.faults) {
            if (FindFaultKind(fault.nFault))
                ++counts[fault.nFault];
        }
        for (const auto& [code, count] : counts)
            content.children.push_back(
                {std::string(FaultDetailName(code)) + " : " + std::to_string(count), DetailIconOfKind(code), {}});
        if (counts.empty())
            content.children.push_back({"No Alert!", kDetailIconInfo, {}});
        if (report.clock)
            content.children.push_back({MaterialClockNote(*report.clock), kDetailIconInfo, {}});
    } else if (DeviationMode()) {
        content.children.push_back({"未检测", kDetailIconQuestion, {}});
    } else {
        content.children.push_back({"内容正确", kDetailIconTick, {}});
    }
    m_tree = {std::move(media), std::move(format), std::move(content)};
}

ResultInfo_t CResultDetail::PlaybackRecord(int faultIndex) const
{
    ResultInfo_t record = Result();
    const std::vector<FaultInfo_t>& faults = Faults();
    record.nPlayFrame =
        !DeviationMode() && faultIndex >= 0 && faultIndex < static_cast<int>(faults.size()) ? faults[faultIndex].tmBegin : 0;
    return record;
}

}  // namespace quarvik
