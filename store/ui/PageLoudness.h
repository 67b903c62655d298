#pragma once
// The "响度" page of the options dialog: whether programme loudness is judged, and against what
// (target, tolerance, highest true peak), with the EBU R128 and ATSC A/85 presets. It reads the
// settings when built and writes them only from Save (the dialog's OK).
#include "Loudness.h"
#include "MyDialog.h"

#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;

struct LoudnessPreset {
    const char* name;
    quarvik::LoudnessLimits limits;  // enabled is not part of a preset
};

inline constexpr std::array<LoudnessPreset, 2> kLoudnessPresets = {{
    {"EBU R128", {true, -23.0, 1.0, -1.0}},
    {"ATSC A/85", {true, -24.0, 2.0, -2.0}},
}};

class CPageLoudness : public CMyDialog {
    Q_OBJECT
public:
    explicit CPageLoudness(QWidget* parent = nullptr);

    // False (with a message, the offending field focused) when a figure is not a number in its
    // range.
    bool Check();
    // Check, then write the section; false with nothing written.
    bool Save();

    QCheckBox* EnableBox() const { return m_enable; }
    QComboBox* PresetBox() const { return m_preset; }  // the presets, then "自定义"
    QLineEdit* TargetEdit() const { return m_target; }
    QLineEdit* ToleranceEdit() const { return m_tolerance; }
    QLineEdit* TruePeakEdit() const { return m_truePeak; }

private:
    void ShowLimits(const quarvik::LoudnessLimits& limits);
    void ApplyPreset(int index);
    void MatchPreset();
    bool ReadFields(quarvik::LoudnessLimits& limits);

    QCheckBox* m_enable;
    QComboBox* m_preset;
    QLineEdit* m_target;
    QLineEdit* m_tolerance;
    QLineEdit* m_truePeak;
};
