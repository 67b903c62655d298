#include "MyFrameWnd.h"

#include "BrindleColors.h"
#include "DarkPalette.h"
#include "FrameChrome.h"

#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

using namespace brindle;

CMyFrameWnd::CMyFrameWnd(const QIcon& icon, QMenu* menu, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_chrome(std::make_unique<FrameChrome>(this, kCaptionClose | kCaptionMaxRestore | kCaptionMinimise |
                                                       kCaptionMenu)) {
    setPalette(DarkPalette(kPageBack));
    if (!icon.isNull()) setWindowIcon(icon);
    m_chrome->Caption()->SetMenu(menu);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

CMyFrameWnd::~CMyFrameWnd() = default;

void CMyFrameWnd::SetMenu(QMenu* menu) { m_chrome->Caption()->SetMenu(menu); }

CCaptionBar* CMyFrameWnd::Caption() const { return m_chrome->Caption(); }

void CMyFrameWnd::SetCentralWidget(QWidget* widget) {
    delete m_central;
    m_central = widget;
    if (widget) layout()->addWidget(widget);
}

void CMyFrameWnd::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kCaptionBack);
    m_chrome->Paint(p);
}

void CMyFrameWnd::resizeEvent(QResizeEvent* event) {
    m_chrome->Resized();
    QWidget::resizeEvent(event);
}

void CMyFrameWnd::mousePressEvent(QMouseEvent* event) {
    if (!m_chrome->MousePress(event)) QWidget::mousePressEvent(event);
}

void CMyFrameWnd::mouseMoveEvent(QMouseEvent* event) {
    if (!m_chrome->MouseMove(event)) QWidget::mouseMoveEvent(event);
}

void CMyFrameWnd::mouseReleaseEvent(QMouseEvent* event) {
    m_chrome->MouseRelease();
    QWidget::mouseReleaseEvent(event);
}
