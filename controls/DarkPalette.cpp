#include "DarkPalette.h"

#include "BrindleColors.h"

namespace brindle {

QPalette DarkPalette(const QColor& background) {
    QPalette p;
    p.setColor(QPalette::Window, background);
    p.setColor(QPalette::WindowText, kStaticText);
    p.setColor(QPalette::Base, QColor(30, 30, 30));
    p.setColor(QPalette::AlternateBase, QColor(36, 36, 36));
    p.setColor(QPalette::Text, kListText);
    p.setColor(QPalette::Button, QColor(64, 64, 64));
    p.setColor(QPalette::ButtonText, kListText);
    p.setColor(QPalette::ToolTipBase, QColor(255, 255, 225));
    p.setColor(QPalette::ToolTipText, QColor(0, 0, 0));
    p.setColor(QPalette::Disabled, QPalette::WindowText, kGroupDisabled);
    p.setColor(QPalette::Disabled, QPalette::Text, kGroupDisabled);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, kGroupDisabled);
    return p;
}

}  // namespace brindle
