// The preview against the real browser, in a desktop session of its own
// (X server, window manager, session bus).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include "BrowserProbe.h"
#include "composer/GlyphCatalogue.h"
#include "gui/core/AppDir.h"
#include "preview/PreviewBrowser.h"

namespace {

const QRect PreviewRect(100, 300, 400, 400);

// Every browser this test starts keeps a trace, and reaches no network: all
// remote addresses go to a proxy that is not there.
class PreviewEnvironment : public testing::Environment {
public:
    void SetUp() override {
        gui::SetAppDir(QStringLiteral(DURURIVE_PROGRAM_DIR));
        qputenv("DURURIVE_BROWSER_TRACE", QDir(dir_.path()).filePath(QStringLiteral("trace")).toUtf8());
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--proxy-server=http://127.0.0.1:9");
    }

private:
    QTemporaryDir dir_;
};
const auto* const environment = testing::AddGlobalTestEnvironment(new PreviewEnvironment);

QString Scrap(const QString& text) {
    QString scrap;
    for (QChar character : text) scrap += GlyphCatalogue::Lookup(character, 1).tag;
    return scrap;
}

// The working directory of one test, holding a scrap file.
class ScrapDirectory {
public:
    explicit ScrapDirectory(const QString& name = QStringLiteral("work"), const QString& text = QStringLiteral("ab")) {
        path_ = QDir(root_.path()).filePath(name);
        QDir().mkpath(path_);
        QFile file(QDir(path_).filePath(QStringLiteral("scrap.htm")));
        file.open(QIODevice::WriteOnly);
        file.write((Scrap(text) + QStringLiteral("\r\n")).toUtf8());
        previous_ = QDir::currentPath();
        QDir::setCurrent(path_);
    }
    ~ScrapDirectory() { QDir::setCurrent(previous_); }
    QString ScrapPath() const { return QDir(path_).filePath(QStringLiteral("scrap.htm")); }
    QString Path() const { return path_; }

private:
    QTemporaryDir root_;
    QString path_;
    QString previous_;
};

// Opens one preview and returns the path of the window it made.
QString Preview() {
    const QStringList before = probe::CreatedWindows();
    OpenPreviewBrowser(300, 100, 400, 400);
    const QStringList after = probe::CreatedWindows();
    EXPECT_EQ(after.size(), before.size() + 1);
    return after.value(after.size() - 1);
}

// The X window of a preview once it shows its page: the engine may replace
// the native window while the window is first shown.
qulonglong ShownWindowId(const QString& path) {
    const auto showsPage = [&] {
        for (const probe::TraceLine& line : probe::TraceOf(path)) {
            if (line.event.startsWith(QLatin1String("load"))) return true;
        }
        return false;
    };
    EXPECT_TRUE(probe::WaitFor(showsPage, 20000)) << path.toStdString() << " never finished loading";
    return probe::WindowId(path);
}

testing::AssertionResult SettlesAt(qulonglong windowId, const QRect& rect) {
    if (probe::WaitFor([&] { return probe::OuterRect(windowId) == rect; }, 5000)) return testing::AssertionSuccess();
    const QRect outer = probe::OuterRect(windowId);
    return testing::AssertionFailure() << "window " << windowId << " lies at " << outer.x() << "," << outer.y() << " "
                                       << outer.width() << "x" << outer.height();
}

QStringList Events(const QString& path) {
    QStringList events;
    for (const probe::TraceLine& line : probe::TraceOf(path)) {
        events.append(line.value.isEmpty() ? line.event : line.event + QLatin1Char(' ') + line.value);
    }
    return events;
}

TEST(PreviewTest, MakesTheCallsInOrderAndPlacesTheWindow) {
    ScrapDirectory directory;
    probe::ClearTrace();
    const QString window = Preview();
    ASSERT_TRUE(probe::WaitForTrace(window, QStringLiteral("loaded"), 20000)) << Events(window).join('\n').toStdString();
    QThread::msleep(300);  // anything asked after the calls would show now
    QStringList calls = Events(window);
    EXPECT_TRUE(calls.contains("exposed")) << "the window was never exposed";
    calls.removeIf([](const QString& event) { return event == "exposed" || event.startsWith("loaded"); });
    EXPECT_EQ(calls, (QStringList{"CreateWindow", "Visible true", "Navigate " + directory.ScrapPath(), "Top 300",
                                  "Left 100", "Width 400", "Height 400"}));
    const qulonglong id = ShownWindowId(window);
    EXPECT_TRUE(SettlesAt(id, PreviewRect));
    // The rectangle is the outer one: the window manager's frame lies inside it.
    EXPECT_GT(probe::FrameExtents(id).top(), 0) << "the window has no frame; is the window manager running?";
    EXPECT_TRUE(probe::WindowTitle(id).contains(QLatin1String("scrap.htm"))) << probe::WindowTitle(id).toStdString();
}

TEST(PreviewTest, TwoPreviewsGiveTwoWindowsOnTheSameRectangle) {
    ScrapDirectory directory;
    const QString first = Preview();
    const QString second = Preview();
    ASSERT_NE(first, second);
    const qulonglong firstId = ShownWindowId(first), secondId = ShownWindowId(second);
    ASSERT_NE(firstId, secondId);
    EXPECT_TRUE(SettlesAt(firstId, PreviewRect));
    EXPECT_TRUE(SettlesAt(secondId, PreviewRect));
    EXPECT_TRUE(probe::IsViewable(firstId));
    EXPECT_TRUE(probe::IsViewable(secondId));
}

TEST(PreviewTest, OpensTheScrapOfTheWorkingDirectoryWhateverItsName) {
    {
        ScrapDirectory directory(QStringLiteral("with blanks #2 Ünïcødé ßø"));
        const QString window = Preview();
        ASSERT_TRUE(probe::WaitFor([&] { return Events(window).filter("load").size() > 0; }, 20000))
            << Events(window).join('\n').toStdString();
        EXPECT_TRUE(Events(window).contains("Navigate " + directory.ScrapPath()));
        EXPECT_TRUE(Events(window).contains("loaded " + QUrl::fromLocalFile(directory.ScrapPath()).toString(QUrl::FullyEncoded)))
            << Events(window).join('\n').toStdString();
        EXPECT_NE(directory.Path(), gui::AppDir());
    }
    {
        // No scrap at all: the browser shows that, and the caller hears nothing.
        ScrapDirectory directory;
        QFile::remove(directory.ScrapPath());
        const QString window = Preview();
        EXPECT_TRUE(probe::WaitForTrace(window, QStringLiteral("load-failed"), 20000))
            << Events(window).join('\n').toStdString();
    }
}

// Whether the picture appears in the shot, at any place, in full; its
// transparent pixels may show anything.
bool Shows(const QImage& shot, const QImage& picture) {
    const QImage frame = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y + frame.height() <= shot.height(); ++y) {
        for (int x = 0; x + frame.width() <= shot.width(); ++x) {
            bool same = true;
            for (int py = 0; same && py < frame.height(); ++py) {
                for (int px = 0; px < frame.width(); ++px) {
                    const QRgb want = frame.pixel(px, py);
                    if (qAlpha(want) < 128) continue;
                    const QRgb got = shot.pixel(x + px, y + py);
                    if (std::abs(qRed(want) - qRed(got)) + std::abs(qGreen(want) - qGreen(got)) +
                            std::abs(qBlue(want) - qBlue(got)) > 24) {
                        same = false;
                        break;
                    }
                }
            }
            if (same) return true;
        }
    }
    return false;
}

QList<QImage> Frames(const QString& file) {
    QList<QImage> frames;
    QImageReader reader(file);
    for (QImage frame = reader.read(); !frame.isNull(); frame = reader.read()) frames.append(frame);
    return frames;
}

TEST(PreviewTest, ShowsTheGlyphPicturesAnimatingWithNoNetwork) {
    ScrapDirectory directory(QStringLiteral("work"), QStringLiteral("a"));
    const QString window = Preview();
    ASSERT_TRUE(probe::WaitForTrace(window, QStringLiteral("loaded"), 20000)) << Events(window).join('\n').toStdString();
    const qulonglong id = ShownWindowId(window);
    ASSERT_TRUE(SettlesAt(id, PreviewRect));
    const QList<QImage> frames = Frames(gui::AppPath(QStringLiteral("\\1\\a.gif")));
    ASSERT_GE(frames.size(), 2);
    // The scrap's one picture lies near the top-left corner of the page.
    const QRect page(PreviewRect.topLeft(), QSize(160, 120));
    int shots = 0;
    const auto shoot = [&] {
        return QImage(probe::Screenshot(page, QDir(directory.Path()).filePath(QStringLiteral("shot%1.png").arg(shots++))));
    };
    const auto showsAFrame = [&](const QImage& shot) {
        for (const QImage& frame : frames) {
            if (Shows(shot, frame)) return true;
        }
        return false;
    };
    // The page paints its picture some time after it has loaded.
    QImage first;
    EXPECT_TRUE(probe::WaitFor([&] { return showsAFrame(first = shoot()); }, 20000))
        << "no frame of a.gif in the preview after " << shots << " shots";
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(probe::WaitFor([&] { return shoot() != first; }, 5000)) << "the preview does not animate";
}

// What the browser started last wrote; a failing caller points to it.
std::string BrowserLog() {
    QFile log(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/dururive-browser.log"));
    if (!log.open(QIODevice::ReadOnly)) return "(no browser log)";
    return "the browser's log:\n" + log.readAll().toStdString();
}

TEST(PreviewTest, WindowStaysWithTheUserAfterTheCallerEnds) {
    ScrapDirectory directory;
    // The caller itself starts the browser.
    const qint64 earlier = probe::BrowserPid();
    ASSERT_TRUE(probe::EndBrowser());
    const QStringList before = probe::CreatedWindows();
    // Through a pipe: a browser that kept the caller's output open would
    // keep the pipe's reader waiting. pipefail keeps the caller's status.
    QString output;
    const int status = probe::Run(
        QStringLiteral("/bin/bash"),
        {QStringLiteral("-c"), QStringLiteral("set -o pipefail; \"$0\" 2>&1 | cat"), QStringLiteral(PREVIEW_CALLER)},
        30000, &output, {}, directory.Path());
    ASSERT_EQ(status, 0) << "the caller said: " << output.toStdString() << "\n" << BrowserLog();
    const QStringList after = probe::CreatedWindows();
    ASSERT_EQ(after.size(), before.size() + 1) << "windows before: " << before.join(' ').toStdString()
                                               << "\nafter: " << after.join(' ').toStdString() << "\n"
                                               << BrowserLog();
    const qulonglong id = ShownWindowId(after.last());
    EXPECT_TRUE(SettlesAt(id, PreviewRect));
    EXPECT_TRUE(probe::IsViewable(id));
    const qint64 browser = probe::BrowserPid();
    ASSERT_GT(browser, 0);
    EXPECT_NE(browser, earlier) << "the window came from a browser the caller did not start";
    EXPECT_NE(probe::SessionOf(browser), probe::SessionOf(QCoreApplication::applicationPid()));
    EXPECT_EQ(QFile::symLinkTarget(QStringLiteral("/proc/%1/fd/0").arg(browser)), QStringLiteral("/dev/null"));
}

}  // namespace
