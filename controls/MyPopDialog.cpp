#include "MyPopDialog.h"

#include "BrindleColors.h"
#include "DarkPalette.h"
#include "FrameChrome.h"
#include "GdiplusButton.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>

using namespace brindle;

CMyPopDialog::CMyPopDialog(QWidget* parent, int buttons, const QIcon& icon, QMenu* menu)
    : QDialog(parent), m_chrome(std::make_unique<FrameChrome>(this, buttons)) {
    setPalette(DarkPalette(kPopupBack));
    if (!icon.isNull()) setWindowIcon(icon);
    m_chrome->Caption()->SetMenu(menu);
    m_chrome->SetBorder(1, kCaptionBack);
}

CMyPopDialog::~CMyPopDialog() = default;

CMyPopDialog::OkCancel CMyPopDialog::MakeOkCancel() {
    OkCancel pair{new CGdiplusButton(QStringLiteral("确定"), this), new CGdiplusButton(QStringLiteral("取消"), this),
                  new QHBoxLayout};
    pair.ok->setFixedSize(80, 26);
    pair.cancel->setFixedSize(80, 26);
    pair.row->addStretch(1);
    pair.row->addWidget(pair.ok);
    pair.row->addWidget(pair.cancel);
    connect(pair.cancel, &QAbstractButton::clicked, this, &QDialog::reject);
    return pair;
}

CCaptionBar* CMyPopDialog::Caption() const { return m_chrome->Caption(); }

void CMyPopDialog::SetBorderInfo(int width, const QColor& colour) { m_chrome->SetBorder(width, colour); }

void CMyPopDialog::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kPopupBack);
    m_chrome->Paint(p);
}

void CMyPopDialog::resizeEvent(QResizeEvent* event) {
    m_chrome->Resized();
    QDialog::resizeEvent(event);
}

void CMyPopDialog::mousePressEvent(QMouseEvent* event) {
    if (!m_chrome->MousePress(event)) QDialog::mousePressEvent(event);
}

void CMyPopDialog::mouseMoveEvent(QMouseEvent* event) {
    if (!m_chrome->MouseMove(event)) QDialog::mouseMoveEvent(event);
}

void CMyPopDialog::mouseReleaseEvent(QMouseEvent* event) {
    m_chrome->MouseRelease();
    QDialog::mouseReleaseEvent(event);
}
