#pragma once
// A child page of the dark theme: background (51, 51, 51), labels grey on a transparent
// background. With a draw mode set the page paints itself and this class paints nothing.
#include "BrindleExport.h"

#include <QWidget>

class BRINDLE_EXPORT CMyDialog : public QWidget {
    Q_OBJECT
public:
    explicit CMyDialog(QWidget* parent = nullptr);

    void SetDrawMode(bool selfPainted);
    bool DrawMode() const { return m_selfPainted; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_selfPainted = false;
};
