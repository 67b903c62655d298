#include "WndPreview.h"

#include "FileDisplay.h"
#include "GdiplusButton.h"
#include "VlcPlayer.h"
#include "WndGraph.h"

#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

using namespace quarvik;

namespace {

enum class Glyph { Play, Pause, Stop };

// The buttons' own pictures: a triangle, two bars, a square, light on transparent.
QIcon GlyphIcon(Glyph glyph) {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 220, 220));
    switch (glyph) {
    case Glyph::Play: {
        QPainterPath triangle;
        triangle.moveTo(6, 3);
        triangle.lineTo(21, 12);
        triangle.lineTo(6, 21);
        triangle.closeSubpath();
        p.drawPath(triangle);
        break;
    }
    case Glyph::Pause:
        p.drawRect(5, 4, 5, 16);
        p.drawRect(14, 4, 5, 16);
        break;
    case Glyph::Stop: p.drawRect(5, 5, 14, 14); break;
    }
    return QIcon(pixmap);
}

CGdiplusButton* GlyphButton(Glyph glyph, QWidget* parent) {
    auto* button = new CGdiplusButton(QString(), parent);
    button->SetIconID(GlyphIcon(glyph), 12);
    return button;
}

QString ClockText(qint64 seconds) {
    return QString::asprintf("%02d:%02d:%02d", int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60));
}

}  // namespace

CWndPreview::Geometry CWndPreview::LayoutFor(int w, int h, int timeWidth) {
    const int timeW = qMax(50, timeWidth);
    const int timeX = w - 64 - timeW;
    return {QRect(4, 2, w - 8, 18),
            QRect(4, 22, w - 8, h - 52),
            QRect(5, h - 18, qMax(0, qMin(w - 126, timeX - 12)), 8),
            QRect(timeX, h - 22, timeW, 14),
            QRect(w - 60, h - 24, 18, 18),
            QRect(w - 40, h - 24, 18, 18),
            QRect(w - 20, h - 24, 18, 18)};
}

int CWndPreview::StartFrame(const ResultInfo_t& result) { return qMax(0, result.nPlayFrame - kLeadFrames); }

CWndPreview::CWndPreview(QWidget* parent)
    : CMyDialog(parent), m_video(new QWidget(this)), m_timeline(new CWndGraph(this)),
      m_time(new QLabel(QStringLiteral("00:00:00"), this)), m_play(GlyphButton(Glyph::Play, this)),
      m_pause(GlyphButton(Glyph::Pause, this)), m_stop(GlyphButton(Glyph::Stop, this)) {
    // libvlc draws into a native window of its own: the area is a native child painted black.
    m_video->setAttribute(Qt::WA_NativeWindow);
    m_video->setAutoFillBackground(true);
    QPalette black = m_video->palette();
    black.setColor(QPalette::Window, Qt::black);
    m_video->setPalette(black);
    m_player = std::make_unique<CVlcPlayer>(m_video);
    m_player->SetReportFn([this](int report) { OnPlayerReport(report); });

    QPalette green = m_time->palette();
    green.setColor(QPalette::WindowText, kTextGreen);
    m_time->setPalette(green);
    m_time->setAlignment(Qt::AlignCenter);
    m_play->SetToolTipText(QStringLiteral("播放"));
    m_timeline->SetSeekFn([this](int percent, int) { return SeekTo(percent); });

    connect(m_play, &QAbstractButton::clicked, this, [this] {
        if (m_player->HasPlayer() && !m_player->IsPlaying()) m_player->Play();
    });
    connect(m_pause, &QAbstractButton::clicked, this, [this] {
        if (m_player->HasPlayer() && m_player->IsPlaying()) m_player->Pause();
    });
    connect(m_stop, &QAbstractButton::clicked, this, [this] {
        if (m_player->HasPlayer()) m_player->Stop();
    });
    connect(&m_tick, &QTimer::timeout, this, &CWndPreview::OnTick);
    m_tick.start(1000);
}

CWndPreview::~CWndPreview() = default;

int CWndPreview::LoadAndPlay(const QString& path, const ResultInfo_t* result) {
    // Paths are compared as they are: on this system a letter's case names another file.
    const bool sameMaterial = !m_path.isEmpty() && path == m_path && result && m_result.nID != 0 &&
                              result->nID == m_result.nID && m_player->HasPlayer();
    if (!sameMaterial) {
        if (!m_player->Open(path)) return 0;
        m_path = path;
        m_title = QString::fromStdString(DisplayFileName(path.toStdString()));
        m_result = result ? *result : ResultInfo_t{};
        m_result.pFaceImage = nullptr;
        m_time->setText(QStringLiteral("00:00:00"));
        update(m_titleRect);
    }
    if (!m_player->IsPlaying()) m_player->Play();
    if (result && result->nFrame != 0) {
        m_timeline->SetResult(result);
        m_pendingStart = static_cast<float>(StartFrame(*result)) / static_cast<float>(result->nFrame);
        // A player that runs seeks now; one still opening when it reports that it plays.
        if (m_player->IsPlaying() || m_player->IsPaused()) ApplyPendingStart();
        m_timeline->update();
        return 1;
    }
    m_pendingStart = -1.0f;
    m_timeline->SetResult(nullptr);
    m_timeline->SetCursor(0);
    m_timeline->update();
    return 1;
}

void CWndPreview::ApplyPendingStart() {
    if (m_pendingStart < 0) return;
    m_player->SetPosition(m_pendingStart);
    m_timeline->SetCursor(static_cast<int>(m_pendingStart * 100));
    m_pendingStart = -1.0f;
}

int CWndPreview::SeekTo(int percent) {
    if (!m_player->HasPlayer() || !(m_player->IsPlaying() || m_player->IsPaused())) return 0;
    m_pendingStart = -1.0f;
    m_player->SetPosition(static_cast<float>(qBound(0, percent, 100)) / 100.0f);
    return 1;
}

QString CWndPreview::TimeText() const { return m_time->text(); }

void CWndPreview::OnPlayerReport(int report) {
    if (report == CVlcPlayer::kReportPlaying) ApplyPendingStart();
    if (report == CVlcPlayer::kReportError) {
        m_pendingStart = -1.0f;
        m_title = QStringLiteral("Play ERROR !");
        update(m_titleRect);
    }
}

void CWndPreview::OnTick() {
    if (!m_player->IsPlaying()) return;
    m_timeline->SetCursor(static_cast<int>(m_player->Position() * 100));
    m_timeline->update();
    m_time->setText(ClockText(m_player->TimeMs() / 1000));
}

void CWndPreview::resizeEvent(QResizeEvent*) {
    const Geometry g = LayoutFor(width(), height(), m_time->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) + 4);
    m_titleRect = g.title;
    m_video->setGeometry(g.video);
    m_timeline->setGeometry(g.timeline);
    m_time->setGeometry(g.time);
    m_play->setGeometry(g.play);
    m_pause->setGeometry(g.pause);
    m_stop->setGeometry(g.stop);
}

void CWndPreview::paintEvent(QPaintEvent* event) {
    CMyDialog::paintEvent(event);
    QPainter p(this);
    p.setPen(QColor(200, 200, 200));
    const QString shown = fontMetrics().elidedText(m_title, Qt::ElideMiddle, m_titleRect.width());
    p.drawText(m_titleRect, Qt::AlignCenter, shown);
}
