// The About window on a real X display with a window manager.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPointer>
#include <QProcess>
#include <QScreen>
#include <QTest>

#include "Lettering.h"
#include "about/About.h"
#include "gui/Controls.h"

TEST(AboutScreen, ShowsCentredWithDarkFrameAndTwoToneTitle) {
    About about;
    about.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));

    // The window manager places and decorates it after it is exposed.
    QScreen* screen = QGuiApplication::primaryScreen();
    const auto offsetFromCentre = [&] {
        return about.frameGeometry().center() - screen->availableGeometry().center();
    };
    (void)QTest::qWaitFor(
        [&] {
            return about.frameGeometry() != about.geometry() &&
                   offsetFromCentre().manhattanLength() <= 20;
        },
        10000);
    const QPoint offset = offsetFromCentre();
    EXPECT_LE(offset.manhattanLength(), 20) << "centred on the screen";

    const QRect frame = TwipsRect(120, 1920, 4815, 1455);
    QImage desktop, client;
    const auto shoot = [&] {
        desktop = screen->grabWindow(0).toImage();
        client = desktop.copy(QRect(about.mapToGlobal(QPoint(0, 0)), about.size()));
    };
    const auto colourAt = [&](QPoint at) { return client.pixel(at) & 0xffffff; };
    // The window is moved once its frame is known, and painted at its new
    // place some time later: wait until the shot shows it where Qt says.
    (void)QTest::qWaitFor(
        [&] {
            shoot();
            return colourAt({3, 3}) == (qRgb(255, 192, 128) & 0xffffff) &&
                   colourAt(frame.topLeft() + QPoint(3, 3)) == (qRgb(64, 64, 64) & 0xffffff) &&
                   colourAt(frame.bottomRight() - QPoint(3, 3)) == (qRgb(64, 64, 64) & 0xffffff);
        },
        5000);
    if (!qEnvironmentVariableIsEmpty("ABOUT_SCREENSHOT"))
        desktop.save(qEnvironmentVariable("ABOUT_SCREENSHOT"));

    EXPECT_EQ(client.pixel(3, 3) & 0xffffff, qRgb(255, 192, 128) & 0xffffff);
    EXPECT_EQ(client.pixel(frame.topLeft() + QPoint(3, 3)) & 0xffffff, qRgb(64, 64, 64) & 0xffffff);
    EXPECT_EQ(client.pixel(frame.bottomRight() - QPoint(3, 3)) & 0xffffff,
              qRgb(64, 64, 64) & 0xffffff);
    ExpectTwoToneTitle(client);
}

bool PressedKeyUnloads(const char* key) {
    QPointer<About> about = new About;  // unloading destroys it
    about->Show();
    if (!QTest::qWaitForWindowActive(about)) return false;
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(about->winId()),
                                          QStringLiteral("_NET_WM_STATE")});
    EXPECT_TRUE(xprop.waitForFinished(5000));
    EXPECT_TRUE(xprop.readAllStandardOutput().contains("_NET_WM_STATE_SKIP_TASKBAR"))
        << "out of the task bar";
    bool unloaded = false;
    QObject::connect(about, &gui::Form::Unloaded, [&] { unloaded = true; });
    EXPECT_EQ(
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QLatin1String(key)}),
        0);
    return QTest::qWaitFor([&] { return unloaded && about.isNull(); }, 3000);
}

// Esc presses the cancel button; Alt+F4 has the window manager close the
// window, as its close box does.
TEST(AboutScreen, EscAndTheWindowManagersCloseUnloadIt) {
    EXPECT_TRUE(PressedKeyUnloads("Escape"));
    EXPECT_TRUE(PressedKeyUnloads("alt+F4"));
}
