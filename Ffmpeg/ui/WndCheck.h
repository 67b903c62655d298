#pragma once
// The check monitor: the pictures a running content check is looking at, the file under check
// (its display form), the analysis speed, the analysed playing time and the fault timeline: the
// check's position and the fault runs found so far. The check thread's calls reach it on the GUI
// thread; the pixels of a preview are copied at once.
#include "CheckNotify.h"
#include "MyDialog.h"

#include <QImage>
#include <QRect>

#include <string>

class CWndGraph;

class CWndCheck : public CMyDialog, public quarvik::ICheckMonitor {
    Q_OBJECT
public:
    static inline const QColor kTextGreen{0, 192, 0};

    struct Geometry {
        QRect name;
        QRect picture;
        QRect speed;
        QRect time;
        QRect timeline;
    };
    // Where the parts go in a monitor of the given size. The speed and the playing time are 54
    // pixels wide, or as wide as the given text widths need (fonts wider than the layout's), the
    // time left of the speed and the timeline left of both.
    static Geometry LayoutFor(int width, int height, int speedWidth = 0, int timeWidth = 0);
    // Check frames analysed (pictures at 25 a second) shown as playing time: "%02d:%02d:%02d".
    static QString PlayingTime(int pictures);

    explicit CWndCheck(QWidget* parent = nullptr);

    void OnPreviewPicture(const quarvik::BitmapInfoHeader_t& header, const uint8_t* pixels) override;
    // checking false clears the picture (the monitor was handed to another check).
    void OnCheckProgress(bool checking, const quarvik::CheckProgress_t& progress) override;
    // A fault run of the file under check, marked on the timeline.
    void OnFaultMark(int32_t tmBegin, int32_t tmEnd, const char* name) override;
    // The playing time is followed by the material's own time code when the check sends one.
    // Empty name, "0 FPS", 00:00:00, no picture, no progress and no marks.
    void Clear();

    QString FileText() const { return m_file; }
    QString SpeedText() const { return m_speed; }
    QString TimeText() const { return m_time; }
    int Progress() const { return m_progress; }
    // The last preview, upright; null when cleared.
    const QImage& Picture() const { return m_picture; }
    QRect PictureRect() const { return m_geometry.picture; }
    CWndGraph* Timeline() const { return m_timeline; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Geometry m_geometry;
    CWndGraph* m_timeline;
    // The file the marks belong to, as the check opened it.
    std::string m_address;
    QImage m_picture;
    QString m_file;
    QString m_speed = QStringLiteral("0 FPS");
    QString m_time = QStringLiteral("00:00:00");
    int m_progress = 0;
};
