#pragma once
// Dark tool bars whose buttons are known by command numbers, as menu commands are.
//   CMyToolBar  buttons with icon and text; a click reports its command
//   CToolBar24  pictures of any size shown at 24 x 24, greyed while the button is disabled
#include "BrindleExport.h"

#include <QToolBar>

class BRINDLE_EXPORT CMyToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit CMyToolBar(QWidget* parent = nullptr);
    // false when the command already has a button.
    bool AddButton(int command, const QIcon& icon, const QString& text);
    void AddSeparator() { addSeparator(); }
    void SetButtonEnabled(int command, bool on);
    bool IsButtonEnabled(int command) const;
    // Null when the command has no button.
    QAction* Button(int command) const;

signals:
    // A click on an enabled button.
    void Command(int command);
};

class BRINDLE_EXPORT CToolBar24 : public CMyToolBar {
    Q_OBJECT
public:
    explicit CToolBar24(QWidget* parent = nullptr);
    bool AddButton(int command, const QPixmap& picture, const QString& text);
};
