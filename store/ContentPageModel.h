// The picture-quality page of the options dialog without its window: the content-check
// parameter table of "ave.dat", its detection switches, the rows of the "参数" list with
// their texts, and the editing of one row.
//
// The table is read when the model is made and written only by Save (the dialog's OK).
// Durations are kept in check frames; the sound rows show and take them in seconds.
#pragma once

#include "ContentParams.h"
#include "FaultKinds.h"
#include "PageCheck.h"

#include <array>
#include <string>

namespace quarvik {

// A check box of the "项目" group and the record whose nEnable it switches.
struct ContentSwitch {
    const char* label;
    int code;
};
inline constexpr std::array<ContentSwitch, 15> kContentSwitches = {{{"彩条", kFaultColourBars},
                                                                    {"彩场", kFaultColourField},
                                                                    {"黑场", kFaultBlack},
                                                                    {"静帧", kFaultStillFrame},
                                                                    {"马赛克", kFaultMosaic},
                                                                    {"左声道", kFaultSilenceLeft},
                                                                    {"右声道", kFaultSilenceRight},
                                                                    {"其他声道", kFaultSilenceOther},
                                                                    {"闪烁", kFaultFlash},
                                                                    {"红色闪烁", kFaultRedFlash},
                                                                    {"规则图案", kFaultPattern},
                                                                    {"亮度越界", kFaultLumaLevel},
                                                                    {"色域越界", kFaultGamutLevel},
                                                                    {"解码错误", kFaultDecodeError},
                                                                    {"闪烁警告", kFaultFlashWarning}}};

// The codes of the list's rows, in list order; their names are the options-page names of
// the fault vocabulary, a sound row's followed by the channels it applies to.
inline constexpr std::array<int, 20> kContentRowCodes = {
    kFaultStillFrame,   kFaultBlack,        kFaultColourBars,   kFaultColourField, kFaultMosaic,
    kFaultSilenceLeft,  kFaultTooLowLeft,   kFaultTooHighLeft,  kFaultSilenceRight, kFaultTooLowRight,
    kFaultTooHighRight, kFaultSilenceOther, kFaultTooLowOther,  kFaultTooHighOther, kFaultFlash,
    kFaultRedFlash,     kFaultPattern,      kFaultLumaLevel,    kFaultGamutLevel,   kFaultFlashWarning};

// The channels a sound row's limits apply to, as its name says them.
const char* SoundRowChannels(int code);

inline constexpr int kDurationLow = 1, kDurationHigh = 10000;  // as entered: frames or seconds

struct ContentRowText {
    std::string name;
    std::string duration;
    std::string threshold1;
    std::string threshold2;
};

// The three edits of a row: their labels and the values they show. An empty label: the row's
// kind has no such threshold, and its edit takes nothing.
struct ContentEdits {
    std::array<const char*, 3> labels;
    std::array<int, 3> values;  // duration as entered (frames or seconds), thresholds
};

class CContentPageModel {
public:
    enum Field { kNoField = 0, kDurationField, kThreshold1Field, kThreshold2Field };

    // Reads the table from path (the defaults when the file is missing or damaged).
    explicit CContentPageModel(std::string path = ContentParamsPath());

    static constexpr int RowCount() { return static_cast<int>(kContentRowCodes.size()); }
    static bool IsSoundRow(int row);
    ContentRowText RowText(int row) const;
    ContentEdits Edits(int row) const;
    // Copies the typed edits into the row; a sound row's duration is taken in seconds.
    PageCheck UpdateRow(int row, const std::array<std::string, 3>& typed);
    void RestoreDefaults();

    // A row is listed while its channels are checked: the right channel's and the other
    // channels' rows follow their switches; every other row always.
    bool RowShown(int row) const;
    bool Switch(int index) const;
    void SetSwitch(int index, bool on);

    // Checks the typed edits as UpdateRow does (the dialog's OK validates its fields), then
    // writes the table with the switches to the file. Nothing is written when refused.
    PageCheck Save(int row, const std::array<std::string, 3>& typed);

    const ContentParam_t& Param(int code) const { return m_table[code]; }

private:
    PageCheck Parse(int row, const std::array<std::string, 3>& typed, std::array<int, 3>& values) const;

    std::string m_path;
    ContentParam_t m_table[kContentParamCount];
    std::array<bool, kContentSwitches.size()> m_switches{};
};

}  // namespace quarvik
