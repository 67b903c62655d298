#pragma once
// The main frame's client area: the top bar over the bottom workspace, 2/5 of the height above.
#include <QWidget>

class CMyDialog;

class CChildView : public QWidget {
    Q_OBJECT
public:
    explicit CChildView(QWidget* parent = nullptr);

    // The close rule's question: does the manual-check window or any task window run a check?
    bool IsAnyCheckRunning() const;

    QWidget* Top() const;
    QWidget* Bottom() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CMyDialog* m_top;
    QWidget* m_bottom;
};
