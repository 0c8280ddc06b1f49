// The main window on a real X server: what a person sees.
#include <QProcess>
#include <QScreen>

#include "Form1Fixture.h"
#include "gui/Clipboard.h"

namespace {

class Form1ScreenTest : public Form1Fixture {
protected:
    QString Property(const QString& name) {
        QProcess xprop;
        xprop.start("xprop", {"-id", QString::number(form->winId()), name});
        EXPECT_TRUE(xprop.waitForFinished(5000));
        return QString::fromLatin1(xprop.readAllStandardOutput()).trimmed();
    }
    QImage Screenshot() {
        QCoreApplication::processEvents();
        return form->screen()
            ->grabWindow(form->winId())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
};

TEST_F(Form1ScreenTest, ShowsTheWindowAndALettersPictureAfterTyping) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    Start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    // The window manager frames the window after it is exposed.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return Property("_NET_FRAME_EXTENTS").contains("= "); }, 10000))
        << Property("_NET_FRAME_EXTENTS").toStdString();

    const QString hints = Property("WM_NORMAL_HINTS");
    EXPECT_TRUE(hints.contains("minimum size: 745 by 590")) << hints.toStdString();
    EXPECT_TRUE(hints.contains("maximum size: 745 by 590")) << hints.toStdString();
    // The window asks for neither minimising nor maximising: the Motif
    // functions are move, resize (held by the size hints) and close.
    EXPECT_EQ(Property("_MOTIF_WM_HINTS").section("= ", 1).split(", ").value(1), "0x26");

    // Centred with its frame: the window manager's frame extents (left,
    // right, top, bottom) around the client area.
    const QStringList extents = Property("_NET_FRAME_EXTENTS").section("= ", 1).split(", ");
    ASSERT_EQ(extents.size(), 4);
    const QRect screen = form->screen()->availableGeometry();
    const auto outerRect = [&] {
        const QPoint client = form->mapToGlobal(QPoint(0, 0));
        return QRect(client.x() - extents[0].toInt(), client.y() - extents[2].toInt(),
                     745 + extents[0].toInt() + extents[1].toInt(),
                     590 + extents[2].toInt() + extents[3].toInt());
    };
    // The window is centred again once its frame is known.
    (void)QTest::qWaitFor(
        [&] { return (outerRect().center() - screen.center()).manhattanLength() <= 2; }, 5000);
    const QRect outer = outerRect();
    EXPECT_LE(std::abs(outer.left() - screen.left() - (screen.right() - outer.right())), 1)
        << outer.x();
    EXPECT_LE(std::abs(outer.top() - screen.top() - (screen.bottom() - outer.bottom())), 1)
        << outer.y();

    const QImage shot = Screenshot();
    ASSERT_EQ(shot.size(), QSize(745, 590));
    const QRgb back = qRgb(255, 192, 128);
    for (QPoint at :
         {QPoint(2, 2), QPoint(740, 585), QPoint(700, 120), QPoint(300, 580), QPoint(12, 180)})
        EXPECT_EQ(shot.pixel(at), back) << at.x() << "," << at.y();
    // Shape2's outline: left, right, top and bottom lines.
    for (QPoint at : {QPoint(8, 180), QPoint(736, 180), QPoint(300, 144), QPoint(300, 216)})
        EXPECT_EQ(shot.pixel(at), qRgb(0, 0, 0)) << at.x() << "," << at.y();

    // A person types into the input box.
    auto& text1 = C<gui::TextBox>("Text1");
    QTest::mouseClick(&text1, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return text1.hasFocus(); }, 2000));
    ASSERT_EQ(QProcess::execute("xdotool", {"type", "--delay", "50", "h"}), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return text1.Text() == "h"; }, 5000))
        << text1.Text().toStdString();

    const QImage glyph = Glyph(1, 'h').convertToFormat(QImage::Format_ARGB32);
    // The slot is painted after the text changed: wait until a middle pixel
    // of the picture that is opaque shows.
    QPoint probe;
    for (int y = glyph.height() / 2; y < glyph.height() && probe.isNull(); ++y)
        for (int x = 0; x < glyph.width() && probe.isNull(); ++x)
            if (qAlpha(glyph.pixel(x, y)) == 255) probe = QPoint(x, y);
    const QRgb probeColour = glyph.pixel(probe) | 0xff000000;
    (void)QTest::qWaitFor(
        [&] { return Screenshot().pixel(QPoint(64, 336) + probe) == probeColour; }, 5000);
    const QImage after = Screenshot();
    int opaque = 0;
    for (int y = 0; y < glyph.height(); ++y) {
        for (int x = 0; x < glyph.width(); ++x) {
            const QRgb source = glyph.pixel(x, y);
            const QRgb seen = after.pixel(64 + x, 336 + y);
            if (qAlpha(source) == 255) {
                ++opaque;
                EXPECT_EQ(seen, qRgb(qRed(source), qGreen(source), qBlue(source))) << x << "," << y;
            } else if (qAlpha(source) == 0) {
                EXPECT_EQ(seen, back) << x << "," << y;
            }
        }
    }
    EXPECT_GT(opaque, 20);
    EXPECT_EQ(C<gui::Label>("Label3").Caption(), "19");
}

TEST_F(Form1ScreenTest, OtherProgramsReadTheClipboardAsPlainText) {
    gui::Clipboard::Clear();
    gui::Clipboard::SetText("<img src='x'><br>");
    const auto read = [](const QStringList& arguments) {
        QProcess xclip;
        xclip.start("xclip", arguments);
        // Our event loop must keep running to answer the request.
        EXPECT_TRUE(QTest::qWaitFor([&] { return xclip.state() == QProcess::NotRunning; }, 5000));
        return QString::fromUtf8(xclip.readAllStandardOutput());
    };
    EXPECT_EQ(read({"-o", "-selection", "clipboard"}), "<img src='x'><br>");
    const QStringList targets =
        read({"-o", "-selection", "clipboard", "-t", "TARGETS"}).split('\n', Qt::SkipEmptyParts);
    EXPECT_FALSE(targets.contains("text/html"));
}

}  // namespace
