// The main window on a 200% screen (Xft.dpi 192), looked at through a
// screenshot: the shapes' outlines are equally thin on all four sides.
#include <QScreen>

#include "Form1Fixture.h"

namespace {

class Form1ScaledScreenTest : public Form1Fixture {};

// The number of outline-coloured pixels on a line of 13 pixels that crosses
// an outline at `at` in the direction `across`.
int Thickness(const QImage& shot, QPoint at, QPoint across, QRgb colour) {
    int count = 0;
    for (int step = -6; step <= 6; ++step) {
        const QPoint point = at + step * across;
        if (shot.valid(point) && shot.pixel(point) == colour) ++count;
    }
    return count;
}

TEST_F(Form1ScaledScreenTest, ShapeOutlinesAreOneDevicePixelOnEverySide) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    Start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    ASSERT_EQ(form->devicePixelRatioF(), 2.0) << "the session does not give Xft.dpi 192";
    QTest::qWait(200);  // lets the window manager's frame settle before the grab
    QCoreApplication::processEvents();
    const QImage shot =
        form->screen()->grabWindow(form->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), QSize(1490, 1180));

    // Where to cross each side, as a fraction of its length, clear of the
    // labels and pictures that the outlines touch.
    const struct {
        const char* name;
        double along;
    } shapes[] = {{"Shape1", 0.25}, {"Shape2", 0.4}, {"Shape3", 0.9}};
    for (const auto& shape : shapes) {
        const auto& widget = C<gui::Shape>(shape.name);
        const QRgb colour = widget.BorderColor().rgb();
        // The outline's device pixels: the first and last rows and columns.
        const QRect box(widget.geometry().topLeft() * 2, widget.geometry().size() * 2);
        const int x = box.left() + int(box.width() * shape.along);
        const int y = box.top() + int(box.height() * 0.5);
        const int top = Thickness(shot, {x, box.top()}, {0, 1}, colour);
        const int bottom = Thickness(shot, {x, box.bottom()}, {0, 1}, colour);
        const int left = Thickness(shot, {box.left(), y}, {1, 0}, colour);
        const int right = Thickness(shot, {box.right(), y}, {1, 0}, colour);
        EXPECT_TRUE(top == 1 && bottom == 1 && left == 1 && right == 1)
            << shape.name << ": top " << top << ", bottom " << bottom << ", left " << left
            << ", right " << right << " pixels";
        for (QPoint corner : {box.topLeft(), box.bottomRight()})
            EXPECT_EQ(shot.pixel(corner), colour)
                << shape.name << " at " << corner.x() << "," << corner.y();
    }
}

}  // namespace
