#pragma once
// The "通用" page of the options dialog: alarm switch, cache folder and least free cache space.
// It reads the settings when built and writes them only from Save (the dialog's OK).
#include "MyDialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class CGdiplusButton;

class CPageGeneral : public CMyDialog {
    Q_OBJECT
public:
    static constexpr int kMinSpaceLow = 1;
    static constexpr int kMinSpaceHigh = 1000;

    explicit CPageGeneral(QWidget* parent = nullptr);

    // Validates the fields and writes them; false (nothing written, the offending field focused)
    // when the least cache space is not an integer from 1 to 1000.
    bool Save();

    QCheckBox* AlertBox() const { return m_alert; }
    QLineEdit* CachePathEdit() const { return m_path; }
    QLineEdit* MinSpaceEdit() const { return m_minSpace; }
    QLabel* CacheInfo() const { return m_info; }

    void UpdateCacheInfo();

private:
    void Browse();

    QCheckBox* m_alert;
    QLineEdit* m_path;
    CGdiplusButton* m_browse;
    QLineEdit* m_minSpace;
    QLabel* m_info;
};
