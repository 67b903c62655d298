#include "WndCheck.h"

#include "FileDisplay.h"
#include "WndGraph.h"

#include <QFontMetrics>
#include <QPainter>

#include <cstring>

using namespace quarvik;

CWndCheck::Geometry CWndCheck::LayoutFor(int cx, int cy, int speedWidth, int timeWidth) {
    const int speedW = qMax(54, speedWidth), timeW = qMax(54, timeWidth);
    const int speedX = cx - 4 - speedW, timeX = speedX - 2 - timeW;
    return {QRect(4, 2, cx - 8, 18), QRect(4, 22, cx - 8, cy - 52), QRect(speedX, cy - 24, speedW, 18),
            QRect(timeX, cy - 24, timeW, 18), QRect(5, cy - 20, qMax(0, timeX - 11), 8)};
}

QString CWndCheck::PlayingTime(int pictures) {
    const int seconds = qMax(pictures, 0) / 25;
    return QString::asprintf("%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

CWndCheck::CWndCheck(QWidget* parent) : CMyDialog(parent), m_timeline(new CWndGraph(this)) {
    SetDrawMode(true);
    m_timeline->SetCursor(CWndGraph::kNoCursor);
}

void CWndCheck::OnPreviewPicture(const BitmapInfoHeader_t& header, const uint8_t* pixels) {
    const int width = header.biWidth;
    const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    if (!pixels || header.biBitCount != 24 || width <= 0 || height <= 0 || width > 8192 || height > 8192) return;
    // Rows of a device-independent bitmap are padded to four bytes; a positive height runs bottom-up.
    const int stride = (width * 3 + 3) / 4 * 4;
    const QImage rows(pixels, width, height, stride, QImage::Format_BGR888);
    m_picture = header.biHeight < 0 ? rows.copy() : rows.mirrored(false, true);
    update(m_geometry.picture);
}

void CWndCheck::OnCheckProgress(bool checking, const CheckProgress_t& progress) {
    const char* end = static_cast<const char*>(std::memchr(progress.szFile, '\0', sizeof(progress.szFile)));
    const std::string file(progress.szFile, end ? end : progress.szFile + sizeof(progress.szFile));
    // Another file, or the monitor handed on: its marks go.
    if (file != m_address || !checking) {
        m_address = file;
        m_timeline->SetResult(nullptr);
    }
    m_file = QString::fromStdString(DisplayFileName(file));
    m_speed = QStringLiteral("%1 FPS").arg(progress.nSpeed);
    m_progress = qBound(0, progress.nProgress, 100);
    const char* timeCodeEnd = static_cast<const char*>(std::memchr(progress.szTimeCode, '\0', sizeof(progress.szTimeCode)));
    const QString timeCode = QString::fromLatin1(progress.szTimeCode, timeCodeEnd ? timeCodeEnd - progress.szTimeCode : 0);
    const QString time = PlayingTime(progress.nPictures) + (timeCode.isEmpty() ? QString() : QStringLiteral("  ") + timeCode);
    const bool wider = time.size() != m_time.size();
    m_time = time;
    if (wider) resizeEvent(nullptr);
    if (!checking) m_picture = QImage();
    // The check reports pictures and percent, not the length: the length follows from both and
    // grows more exact as the check goes on. Marks are placed by it.
    if (m_progress > 0 && progress.nPictures > 0)
        m_timeline->SetFrameCount(static_cast<int32_t>(qMin<qint64>(qint64(progress.nPictures) * 100 / m_progress, INT32_MAX)));
    m_timeline->SetCursor(m_progress);
    update();
}

void CWndCheck::OnFaultMark(int32_t tmBegin, int32_t tmEnd, const char* name) {
    m_timeline->AppendSpan(static_cast<uint32_t>(qMax(tmBegin, 0)), static_cast<uint32_t>(qMax(tmEnd, 0)),
                           QString::fromUtf8(name));
}

void CWndCheck::Clear() {
    CheckProgress_t none;
    std::memset(&none, 0, sizeof(none));
    OnCheckProgress(false, none);
}

void CWndCheck::resizeEvent(QResizeEvent*) {
    // Room for the widest texts a check can show: 99 999 FPS and 99 hours.
    const QFontMetrics metrics = fontMetrics();
    m_geometry = LayoutFor(width(), height(), metrics.horizontalAdvance(QStringLiteral("99999 FPS")) + 2,
                           qMax(metrics.horizontalAdvance(QStringLiteral("99:59:59")), metrics.horizontalAdvance(m_time)) + 2);
    m_timeline->setGeometry(m_geometry.timeline);
}

void CWndCheck::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.fillRect(m_geometry.picture, Qt::black);
    if (!m_picture.isNull()) p.drawImage(m_geometry.picture, m_picture);
    p.setPen(QColor(200, 200, 200));
    p.drawText(m_geometry.name, Qt::AlignCenter,
               p.fontMetrics().elidedText(m_file, Qt::ElideMiddle, m_geometry.name.width()));
    p.setPen(kTextGreen);
    p.drawText(m_geometry.speed, Qt::AlignRight | Qt::AlignVCenter, m_speed);
    p.drawText(m_geometry.time, Qt::AlignCenter, m_time);
}
