#pragma once
// The "图像质量模板" page: the detection switches and the thresholds of the content check.
// "更新" copies the three edits into the selected row; the file "ave.dat" is written only by
// Save (the dialog's OK).
#include "ContentPageModel.h"
#include "MyDialog.h"

#include <array>

class CGdiplusButton;
class CMyListCtrl;
class QCheckBox;
class QLabel;
class QLineEdit;

class CPageContent : public CMyDialog {
    Q_OBJECT
public:
    enum Column { kNameColumn, kDurationColumn, kThreshold1Column, kThreshold2Column };

    // path: the parameter file (the program folder's "ave.dat").
    explicit CPageContent(QWidget* parent = nullptr, const std::string& path = quarvik::ContentParamsPath());

    const quarvik::CContentPageModel& Model() const { return m_model; }
    CMyListCtrl* List() const { return m_list; }
    QCheckBox* SwitchBox(int index) const { return m_switches[index]; }
    QLabel* EditLabel(int index) const { return m_labels[index]; }
    QLineEdit* Edit(int index) const { return m_edits[index]; }
    CGdiplusButton* UpdateButton() const { return m_update; }
    CGdiplusButton* DefaultsButton() const { return m_defaults; }

    void SelectRow(int row);
    // Validates the edits, then writes the switches and the table; false keeps the dialog open.
    bool Save();

private:
    void ShowRows();
    void ShowEdits(int row);
    std::array<std::string, 3> Typed() const;
    bool Refused(const quarvik::PageCheck& check);
    void UpdateRow();
    void RestoreDefaults();

    quarvik::CContentPageModel m_model;
    std::array<QCheckBox*, quarvik::kContentSwitches.size()> m_switches{};
    CMyListCtrl* m_list;
    std::array<QLabel*, 3> m_labels{};
    std::array<QLineEdit*, 3> m_edits{};
    CGdiplusButton* m_update;
    CGdiplusButton* m_defaults;
};
