#include "WndTop.h"

#include "AlertLight.h"
#include "DlgOption.h"
#include "Settings.h"
#include "WndCheck.h"
#include "WndPreview.h"

#include <QMouseEvent>

using namespace quarvik;

CWndTop::Geometry CWndTop::LayoutFor(int width, int height) {
    // The panes follow the bar's height; in a bar too narrow for that they give way, so that they
    // never cover each other and the light keeps its room between them.
    const int pane = qMax(0, qMin((4 * height - 200) / 3, (width - kMinLightGap) / 2));
    const int gap = width - 2 * pane;
    const int light = static_cast<int>((gap / 3) * 1.5);
    const int margin = (gap - light) / 2;
    const int side = qMax(0, light - 30);
    return {QRect(margin, 0, pane, height), QRect(margin + pane + light, 0, pane, height),
            QRect(margin + pane + 15, (height - side) / 2, side, side)};
}

CWndTop::CWndTop(QWidget* parent)
    : CMyDialog(parent), m_preview(new CWndPreview(this)), m_check(new CWndCheck(this)), m_light(new CAlertLight(this)) {}

bool CWndTop::IsLightOn() const { return m_light->IsOn(); }

void CWndTop::LightOn() {
    if (ReadSetting(kEnAlertLight) == 0 || m_light->IsOn()) return;
    m_light->raise();
    m_light->Start();
}

void CWndTop::LightOff() { m_light->Stop(); }

void CWndTop::OnCheckReport(int code) {
    if (code == 0 || code == 1) LightOn();
}

void CWndTop::resizeEvent(QResizeEvent*) {
    const Geometry g = LayoutFor(width(), height());
    m_preview->setGeometry(g.preview);
    m_check->setGeometry(g.check);
    m_light->setGeometry(g.light);
    if (m_light->IsOn()) {
        // Lit again to fit the new square; with the setting now off it stays out.
        LightOff();
        LightOn();
    }
}

void CWndTop::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_light->IsOn() && m_light->geometry().contains(event->position().toPoint())) {
        LightOff();
        return;
    }
    CMyDialog::mousePressEvent(event);
}

void CWndTop::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return CMyDialog::mouseDoubleClickEvent(event);
    CDlgOption dialog(window(), false);
    dialog.exec();
}
