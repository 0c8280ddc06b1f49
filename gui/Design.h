#pragma once

// A form's design as a forms designer stores it: the window's properties and
// its controls, every place and size in twips (1/1440 inch, measured from the
// top-left corner of the client area or of the containing frame). A window
// class writes its design as one table of these values; Form turns it into
// widgets.

#include <QColor>
#include <QFont>
#include <QString>
#include <optional>
#include <vector>

namespace gui {

// An RGB colour or a system colour by its index (7 is menu text).
struct Colour {
    int r = 0, g = 0, b = 0;
    int systemIndex = -1;  // >= 0: a system colour, r/g/b unused

    static constexpr Colour Rgb(int red, int green, int blue) { return {red, green, blue, -1}; }
    static constexpr Colour System(int index) { return {0, 0, 0, index}; }
    QColor ToQColor() const;
};

struct Font {
    QString name{};  // "MS Sans Serif" and "Arial" map to a metric-compatible face
    double points = 8.0;
    bool bold = false;
    bool underline = false;
    // The installed face: "MS Sans Serif" and "Arial" become "Liberation Sans".
    QFont ToQFont() const;
};

// The window's default font, used by every control that sets none.
Font DefaultFont();

enum class ControlKind { Label, TextBox, OptionButton, CommandButton, Image, Shape, Frame, Timer };
enum class BackStyle { Transparent, Opaque };
enum class Alignment { Left, Center, Right };
enum class BorderStyle { FixedSingle, FixedDialog };

struct ControlDesign {
    QString name{};  // designer name; for a control array, the array's name
    ControlKind kind = ControlKind::Label;
    int index = -1;  // control-array index; -1 for a plain control
    int left = 0, top = 0, width = 0, height = 0;
    QString caption{};           // caption of labels, buttons, frames; text of text boxes
    std::optional<Font> font{};  // absent: the form's default font
    std::optional<Colour> foreColor{};
    std::optional<Colour> backColor{};  // absent: the form's back colour for
                                        // opaque labels and buttons
    BackStyle backStyle = BackStyle::Opaque;
    Alignment alignment = Alignment::Left;
    int tabIndex = -1;  // -1: takes no place in the tab order
    bool tabStop = true;
    bool enabled = true;
    int maxLength = 0;       // text boxes; 0 is no limit
    bool graphical = false;  // command buttons painted in their back colour
    bool cancel = false;     // command button pressed by Esc
    bool isDefault = false;  // command button pressed by Enter
    QString picture{};       // images: a resource or file path; empty: none
    QString container{};     // name of the frame that holds it; empty: the form
    int interval = 0;        // timers, in milliseconds
    bool timerEnabled = true;
    std::optional<Qt::CursorShape> mousePointer{};
};

struct FormDesign {
    QString name{};
    QString caption{};
    int clientWidth = 0, clientHeight = 0;  // twips
    Colour backColor = Colour::Rgb(236, 233, 216);
    BorderStyle borderStyle = BorderStyle::FixedSingle;
    bool minButton = false;
    bool maxButton = false;
    bool showInTaskbar = true;
    bool centred = true;
    // Front to back: where two controls overlap, the one listed earlier lies
    // above. (Windowed controls always lie above windowless ones; listing
    // them first keeps the table true to what is shown.)
    std::vector<ControlDesign> controls{};
};

// Twips to device-independent pixels through the screen's logical DPI
// (15 twips a pixel at 96 DPI).
int TwipsToPixels(int twips);

}  // namespace gui
