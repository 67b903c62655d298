#pragma once
#include "MyPopDialog.h"

class CGdiplusButton;

class CAboutDlg : public CMyPopDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    CGdiplusButton* OkButton() const { return m_ok; }

private:
    CGdiplusButton* m_ok;
};
