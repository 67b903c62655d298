#include "DarkPalette.h"

#include "BrindleColors.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>
#include <QToolTip>

namespace brindle {

QPalette DarkPalette(const QColor& background) {
    QPalette p;
    p.setColor(QPalette::Window, background);
    p.setColor(QPalette::WindowText, kStaticText);
    p.setColor(QPalette::Base, kEditBack);
    p.setColor(QPalette::AlternateBase, QColor(36, 36, 36));
    p.setColor(QPalette::Text, kListText);
    p.setColor(QPalette::Button, QColor(64, 64, 64));
    p.setColor(QPalette::ButtonText, kListText);
    p.setColor(QPalette::BrightText, kButtonText);
    p.setColor(QPalette::Highlight, kCheckFrame);
    p.setColor(QPalette::HighlightedText, kButtonText);
    // Bevels of the style's own drawing (menu frames, scroll bars, dialog buttons).
    p.setColor(QPalette::Light, QColor(96, 96, 96));
    p.setColor(QPalette::Midlight, QColor(80, 80, 80));
    p.setColor(QPalette::Mid, QColor(48, 48, 48));
    p.setColor(QPalette::Dark, QColor(24, 24, 24));
    p.setColor(QPalette::Shadow, QColor(0, 0, 0));
    p.setColor(QPalette::ToolTipBase, kPopupBack);
    p.setColor(QPalette::ToolTipText, kListText);
    p.setColor(QPalette::PlaceholderText, kStaticText);
    p.setColor(QPalette::Link, kGroupTitle);
    p.setColor(QPalette::Disabled, QPalette::WindowText, kGroupDisabled);
    p.setColor(QPalette::Disabled, QPalette::Text, kGroupDisabled);
    p.setColor(QPalette::Disabled, QPalette::ButtonText, kGroupDisabled);
    return p;
}

void UseDarkTheme(QApplication& app) {
    // Fusion draws every part from the palette; platform styles may paint light parts of their own.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(fusion);
    const QPalette palette = DarkPalette(kPopupBack);
    app.setPalette(palette);
    QToolTip::setPalette(palette);
}

}  // namespace brindle
