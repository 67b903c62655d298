#pragma once
// The main frame's client area: the top bar over the bottom workspace, 2/5 of the height above.
#include <QWidget>

class CWndBottom;
class CWndTop;

class CChildView : public QWidget {
    Q_OBJECT
public:
    explicit CChildView(QWidget* parent = nullptr);
    ~CChildView() override;

    // The close rule's question: does the manual-check window or any task window run a check?
    bool IsAnyCheckRunning() const;

    // The task list changed: the bottom builds its task tabs again.
    void OnTasksChanged();

    CWndTop* Top() const;
    CWndBottom* Bottom() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CWndTop* m_top;
    CWndBottom* m_bottom;
};
