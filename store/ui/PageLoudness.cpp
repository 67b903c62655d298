#include "PageLoudness.h"

#include "MessageBox.h"
#include "Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include <cmath>

using namespace quarvik;

namespace {

struct FigureField {
    QLineEdit* edit;
    double low, high;
};

QString FigureText(double value) { return QString::number(value, 'f', 1); }

}  // namespace

CPageLoudness::CPageLoudness(QWidget* parent)
    : CMyDialog(parent),
      m_enable(new QCheckBox(QStringLiteral("按响度标准判定 (超出范围视为故障)"), this)),
      m_preset(new QComboBox(this)),
      m_target(new QLineEdit(this)),
      m_tolerance(new QLineEdit(this)),
      m_truePeak(new QLineEdit(this)) {
    for (const LoudnessPreset& preset : kLoudnessPresets) m_preset->addItem(QString::fromUtf8(preset.name));
    m_preset->addItem(QStringLiteral("自定义"));

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(20, 16, 20, 16);
    grid->setVerticalSpacing(10);
    grid->addWidget(m_enable, 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("预设:"), this), 1, 0);
    grid->addWidget(m_preset, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("目标响度(LUFS):"), this), 2, 0);
    grid->addWidget(m_target, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("允许偏差(LU):"), this), 3, 0);
    grid->addWidget(m_tolerance, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("最大真峰值(dBTP):"), this), 4, 0);
    grid->addWidget(m_truePeak, 4, 1);
    grid->addWidget(new QLabel(QStringLiteral("每个文件的响度都会被测量(EBU R128 / ITU-R BS.1770-4)。"), this), 5, 0, 1, 2);
    grid->setRowStretch(6, 1);
    grid->setColumnStretch(1, 1);

    const LoudnessLimits limits = ReadLoudnessLimits();
    m_enable->setChecked(limits.enabled);
    ShowLimits(limits);
    connect(m_preset, &QComboBox::activated, this, &CPageLoudness::ApplyPreset);
    for (QLineEdit* edit : {m_target, m_tolerance, m_truePeak})
        connect(edit, &QLineEdit::textEdited, this, &CPageLoudness::MatchPreset);
}

void CPageLoudness::ShowLimits(const LoudnessLimits& limits) {
    m_target->setText(FigureText(limits.target));
    m_tolerance->setText(FigureText(limits.tolerance));
    m_truePeak->setText(FigureText(limits.maxTruePeak));
    MatchPreset();
}

void CPageLoudness::ApplyPreset(int index) {
    if (index < 0 || index >= static_cast<int>(kLoudnessPresets.size())) return;
    ShowLimits(kLoudnessPresets[static_cast<size_t>(index)].limits);
}

// Shows the preset whose figures the fields hold, or "自定义".
void CPageLoudness::MatchPreset() {
    const auto same = [](QLineEdit* edit, double value) {
        bool ok = false;
        const double typed = edit->text().trimmed().toDouble(&ok);
        return ok && std::fabs(typed - value) < 1e-6;
    };
    int match = static_cast<int>(kLoudnessPresets.size());
    for (size_t i = 0; i < kLoudnessPresets.size(); ++i) {
        const LoudnessLimits& l = kLoudnessPresets[i].limits;
        if (same(m_target, l.target) && same(m_tolerance, l.tolerance) && same(m_truePeak, l.maxTruePeak)) {
            match = static_cast<int>(i);
            break;
        }
    }
    const QSignalBlocker blocker(m_preset);
    m_preset->setCurrentIndex(match);
}

bool CPageLoudness::Check() {
    LoudnessLimits limits;
    return ReadFields(limits);
}

bool CPageLoudness::Save() {
    LoudnessLimits limits;
    return ReadFields(limits) && WriteLoudnessLimits(limits);
}

bool CPageLoudness::ReadFields(LoudnessLimits& limits) {
    const FigureField fields[] = {{m_target, -70.0, 0.0}, {m_tolerance, 0.0, 20.0}, {m_truePeak, -30.0, 6.0}};
    double values[3] = {};
    for (int i = 0; i < 3; ++i) {
        const FigureField& field = fields[i];
        bool ok = false;
        values[i] = field.edit->text().trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(values[i]) || values[i] < field.low || values[i] > field.high) {
            ShowMessage(this, QStringLiteral("请输入一个介于 %1 和 %2 之间的数值。").arg(field.low).arg(field.high),
                        MsgIcon::Exclamation);
            field.edit->setFocus();
            field.edit->selectAll();
            return false;
        }
    }
    limits = {m_enable->isChecked(), values[0], values[1], values[2]};
    return true;
}
