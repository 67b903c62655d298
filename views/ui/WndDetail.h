#pragma once
// The detail page: one result in full. A summary tree at the left (media information, format
// verdict, content faults, loudness), the fault events (or the format deviations) in the middle and the
// fault pictures at the right, their selections kept in step. From here the operator plays the
// material back from a fault and exports the result as an HTML report.
#include "MyDialog.h"

#include "LoudnessDb.h"
#include "ResultDetail.h"
#include "TaskRecords.h"

#include <QTimer>

#include <optional>

class CGdiplusButton;
class CMyListCtrl;
class CMyTreeCtrl;
class QMenu;

// The short-term loudness of the shown result, under the tree; hidden without one.
class CLoudnessGraph : public QWidget {
public:
    using QWidget::QWidget;
    void SetLoudness(const std::optional<quarvik::LoudnessRow>& loudness);
    const std::optional<quarvik::LoudnessRow>& Loudness() const { return m_loudness; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<quarvik::LoudnessRow> m_loudness;
};

class CWndDetail : public CMyDialog {
    Q_OBJECT
public:
    static constexpr int kTreeWidth = 240;
    static constexpr int kPictureListWidth = 190;
    static constexpr int kLoudnessGraphHeight = 120;
    // A narrow page keeps the events this wide as far as the tree can give up width, down to its
    // least width; the pictures keep theirs.
    static constexpr int kMinEventsWidth = 200, kMinTreeWidth = 120;

    explicit CWndDetail(QWidget* parent = nullptr);

    // The result to show and the material to play back; shown 50 ms later, once the page is up.
    void SetResult(const quarvik::ResultInfo_t& result, const QString& playbackPath);
    const quarvik::ResultInfo_t& CurrentResult() const { return m_result; }
    QString PlaybackPath() const { return m_playbackPath; }

    // "刷新": the current result read again and shown.
    void ShowResult();
    // "回放": playback from the selected event, or the request to select one.
    void OnPlayback();
    // "导出为HTML文件": the report of the current result into a folder the operator picks.
    void ExportHtml();

    const quarvik::CResultDetail& Detail() const { return m_detail; }
    CMyTreeCtrl* Tree() const { return m_tree; }
    CLoudnessGraph* LoudnessGraph() const { return m_loudnessGraph; }
    CMyListCtrl* Events() const { return m_events; }
    CMyListCtrl* Pictures() const { return m_pictures; }
    CGdiplusButton* RefreshButton() const { return m_refresh; }
    CGdiplusButton* PlaybackButton() const { return m_playback; }
    CGdiplusButton* ExportButton() const { return m_export; }
    QMenu* ExportMenu() const { return m_exportMenu; }

signals:
    // Play path from record.nPlayFrame (the preview does).
    void PlayRequested(const QString& path, const quarvik::ResultInfo_t& record);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void SetColumns(bool deviationMode, bool materialClock);
    void PlayFrom(int faultIndex);
    void OnEventRowChanged(int row);
    void OnPictureRowChanged(int row);

    CGdiplusButton* m_refresh;
    CGdiplusButton* m_playback;
    CGdiplusButton* m_export;
    QMenu* m_exportMenu;
    CMyTreeCtrl* m_tree;
    CLoudnessGraph* m_loudnessGraph;
    CMyListCtrl* m_events;
    CMyListCtrl* m_pictures;
    QTimer m_showTimer;
    quarvik::ResultInfo_t m_result{};
    QString m_playbackPath;
    quarvik::CResultDetail m_detail;
};
