#include "gui/Design.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <cmath>

namespace gui {

QColor Colour::ToQColor() const {
    if (systemIndex < 0) return QColor(r, g, b);
    const QPalette palette = QGuiApplication::palette();
    switch (systemIndex) {
        case 5:  // window background
            return palette.color(QPalette::Base);
        case 7:  // menu text
        case 8:  // window text
            return palette.color(QPalette::WindowText);
        case 15:  // button face
            return palette.color(QPalette::Button);
        case 17:  // grey text
            return palette.color(QPalette::Disabled, QPalette::Text);
        default:
            return palette.color(QPalette::WindowText);
    }
}

QFont Font::ToQFont() const {
    // Metric-compatible with the faces the layout was designed in, so that
    // every caption fits its box as intended.
    const bool sansSerif = name.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0 ||
                           name.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0;
    QFont font(sansSerif ? QStringLiteral("Liberation Sans") : name);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

Font DefaultFont() {
    return Font{QStringLiteral("MS Sans Serif"), 8.0};
}

int TwipsToPixels(int twips) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return int(std::lround(twips * dpi / 1440.0));
}

}  // namespace gui
