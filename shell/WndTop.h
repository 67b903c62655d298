#pragma once
// The top bar: the preview player on the left, the check monitor on the right and the alert
// light between them. Check reports light it (when EnAlertLight is set); a click on it puts it out.
#include "MyDialog.h"

#include <QRect>

class CAlertLight;
class CWndCheck;
class CWndPreview;

class CWndTop : public CMyDialog {
    Q_OBJECT
public:
    struct Geometry {
        QRect preview;
        QRect check;
        QRect light;
    };
    // The least room between the panes, for the light.
    static constexpr int kMinLightGap = 120;
    // Where the three windows go in a bar of the given size.
    static Geometry LayoutFor(int width, int height);

    explicit CWndTop(QWidget* parent = nullptr);

    CWndPreview* Preview() const { return m_preview; }
    CWndCheck* Check() const { return m_check; }
    CAlertLight* Light() const { return m_light; }

    bool IsLightOn() const;
    // Lights the lamp when EnAlertLight is set and it is not lit yet.
    void LightOn();
    void LightOff();

public slots:
    // A check run's report code: a format verdict (0) or a fault event (1) lights the lamp.
    void OnCheckReport(int code);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    CWndPreview* m_preview;
    CWndCheck* m_check;
    CAlertLight* m_light;
};
