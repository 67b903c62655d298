#pragma once
// Shared by the control tests: each suite exposes a runner, and mouse input is delivered straight
// to the widget so that tests do not depend on a window system's pointer.
#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>

int RunCaptionTest(int argc, char** argv);
int RunSplitWndTest(int argc, char** argv);
int RunListCtrlTest(int argc, char** argv);
int RunGroupBoxTest(int argc, char** argv);
int RunGdiplusButtonTest(int argc, char** argv);
int RunMaskedEditTest(int argc, char** argv);
int RunTimeDisplayTest(int argc, char** argv);
int RunSimpleControlsTest(int argc, char** argv);
int RunPicturesTest(int argc, char** argv);

inline void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent event(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &event);
}
inline void Press(QWidget* w, QPoint pos) { SendMouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton); }
inline void Release(QWidget* w, QPoint pos) { SendMouse(w, QEvent::MouseButtonRelease, pos, Qt::LeftButton, {}); }
// held: the buttons down while moving (none for hovering).
inline void Move(QWidget* w, QPoint pos, Qt::MouseButtons held = {}) {
    SendMouse(w, QEvent::MouseMove, pos, Qt::NoButton, held);
}

inline void Click(QWidget* w, QPoint pos) {
    Press(w, pos);
    Release(w, pos);
}
inline void DoubleClick(QWidget* w, QPoint pos) {
    Click(w, pos);
    SendMouse(w, QEvent::MouseButtonDblClick, pos, Qt::LeftButton, Qt::LeftButton);
    Release(w, pos);
}
