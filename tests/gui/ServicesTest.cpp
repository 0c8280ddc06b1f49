#include <QClipboard>
#include <QDir>
#include <QFontInfo>
#include <QImageReader>
#include <QMessageBox>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "GuiFixture.h"
#include "gui/Clipboard.h"
#include "gui/Picture.h"
#include "gui/core/RuntimeError.h"
#include "gui/core/SequentialFile.h"
#include "tests/support/TinyGif.h"

namespace {

class ServicesTest : public GuiFixture {};

runtime::RuntimeError LoadFailure(const QString& path) {
    try {
        gui::LoadPicture(path);
    } catch (const runtime::RuntimeError& error) {
        return error;
    }
    ADD_FAILURE() << "no failure for " << path.toStdString();
    return runtime::RuntimeError("", "", "");
}

TEST_F(ServicesTest, LoadPictureGivesTheFirstFrameOrSaysWhatFailed) {
    EXPECT_TRUE(gui::LoadPicture("").IsEmpty());

    const gui::Picture sample = gui::LoadPicture(":/assets/Image2.gif");
    ASSERT_EQ(sample.Size(), QSize(36, 74));
    QImageReader reader(":/assets/Image2.gif");
    ASSERT_GT(reader.imageCount(), 1);
    const QImage first = reader.read().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(sample.Pixmap().toImage().convertToFormat(QImage::Format_ARGB32), first);
    EXPECT_TRUE(sample.Pixmap().hasAlphaChannel());

    QTemporaryDir dir;
    const QString missing = dir.filePath("1/q.gif");
    const runtime::RuntimeError notThere = LoadFailure(missing);
    EXPECT_EQ(notThere.Subject(), missing);
    EXPECT_EQ(notThere.Reason(), "File not found");
    EXPECT_TRUE(notThere.Message().contains(missing));

    QFile text(dir.filePath("note.gif"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture");
    text.close();
    EXPECT_TRUE(LoadFailure(text.fileName()).Reason().startsWith("Not a readable picture"));
    EXPECT_EQ(LoadFailure(dir.path()).Reason(), "The file cannot be read");
}

TEST_F(ServicesTest, LoadPictureRefusesAPictureLargerThanAGlyphWithoutDecodingIt) {
    QTemporaryDir dir;
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    EXPECT_EQ(gui::LoadPicture(write("fits.gif", TinyGif(256, 256))).Size(), QSize(256, 256));
    for (const QSize& size : {QSize(4000, 4000), QSize(257, 1), QSize(1, 257)}) {
        const QString path = write(QStringLiteral("big.gif"),
                                   TinyGif(quint16(size.width()), quint16(size.height())));
        const runtime::RuntimeError refused = LoadFailure(path);
        EXPECT_EQ(refused.Subject(), path);
        EXPECT_TRUE(refused.Reason().startsWith("Not a readable picture"))
            << refused.Message().toStdString();
        EXPECT_TRUE(refused.Reason().contains(
            QStringLiteral("%1 x %2").arg(size.width()).arg(size.height())))
            << refused.Message().toStdString();
    }
    // A small screen with a huge frame in it, or a frame beside it, cost the
    // decoder the frame's size: each frame is checked before any is decoded.
    EXPECT_EQ(
        gui::LoadPicture(write("frames.gif", TinyGif(16, 16, {{0, 0, 16, 16}, {4, 4, 12, 12}})))
            .Size(),
        QSize(16, 16));
    for (const QRect& frame : {QRect(0, 0, 20000, 20000), QRect(0, 0, 65535, 65535),
                               QRect(65000, 0, 16, 16), QRect(8, 8, 9, 8)}) {
        const QList<QList<QRect>> pictures{{frame}, {QRect(0, 0, 16, 16), frame}};
        for (const QList<QRect>& frames : pictures) {
            const QString path = write(QStringLiteral("crafted.gif"), TinyGif(16, 16, frames));
            const QString reason = LoadFailure(path).Reason();
            EXPECT_TRUE(reason.contains(QStringLiteral("frame %1").arg(frames.size())) &&
                        reason.contains("leaves its 16 x 16 screen"))
                << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height()
                << ": " << reason.toStdString();
        }
    }
    const QString many = write("many.gif", TinyGif(16, 16, QList<QRect>(300, QRect(0, 0, 16, 16))));
    EXPECT_TRUE(LoadFailure(many).Reason().contains("more than 256 frames"));
    QFile huge(dir.filePath("huge.gif"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.write(TinyGif(16, 16)) > 0 &&
                huge.resize(2 << 20));
    EXPECT_TRUE(LoadFailure(huge.fileName()).Reason().contains("larger than"));
}

TEST_F(ServicesTest, ClipboardHoldsPlainTextOnly) {
    gui::Clipboard::SetText("<img src='x'>");
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->formats(), QStringList({"text/plain"}));
    EXPECT_EQ(gui::Clipboard::GetText(), "<img src='x'>");
    gui::Clipboard::Clear();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "");
}

TEST_F(ServicesTest, DispatchCatchesEveryFailureAndReportsIt) {
    gui::Dispatch("Timer1_Timer",
                  [] { throw runtime::RuntimeError("Open", "scrap.htm", "Permission denied"); });
    gui::Dispatch("Command3_Click", [] { throw std::runtime_error("clipboard busy"); });
    gui::Dispatch("Label5_Click", [] { throw 42; });
    bool ran = false;
    gui::Dispatch("Form_Load", [&] { ran = true; });
    EXPECT_TRUE(ran);
    ASSERT_EQ(reports.size(), 3);
    EXPECT_EQ(reports[0].handler, "Timer1_Timer");
    EXPECT_EQ(reports[0].message, "Open 'scrap.htm': Permission denied");
    EXPECT_EQ(reports[1].message, "clipboard busy");
    EXPECT_EQ(reports[2].handler, "Label5_Click");
    EXPECT_FALSE(reports[2].message.isEmpty());
}

TEST_F(ServicesTest, ARecurringFailureIsReportedOnceUntilItWorksOrFailsDifferently) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.filePath("folder");
    const QString file = folder + "/scrap.htm";
    const auto write = [&] {
        gui::Dispatch("Text1_Change", [&] { runtime::PrintLineToFile(file, "x"); });
    };

    write();  // the folder is missing
    write();
    gui::Dispatch("Option1_Click", [] { gui::LoadPicture("/no/such/a.gif"); });  // another subject
    write();
    ASSERT_EQ(reports.size(), 2);
    EXPECT_TRUE(reports[0].message.contains(file)) << reports[0].message.toStdString();

    ASSERT_TRUE(QDir().mkpath(file));  // a folder where the file should be: another reason
    write();
    write();
    ASSERT_EQ(reports.size(), 3);
    EXPECT_NE(reports[2].message, reports[0].message);

    ASSERT_TRUE(QDir().rmdir(file));
    write();  // works
    ASSERT_TRUE(QDir(folder).removeRecursively());
    write();  // fails as at first, after having worked
    ASSERT_EQ(reports.size(), 4);
    EXPECT_EQ(reports[3].message, reports[0].message);

    // A command the user pressed is told of on every press, also after typing told it.
    for (int press = 0; press < 2; ++press) {
        gui::Dispatch(
            "Command5_Click", [&] { runtime::PrintLineToFile(file, "x"); },
            gui::Repeated::ReportEvery);
    }
    write();
    ASSERT_EQ(reports.size(), 6);
    EXPECT_EQ(reports[5].handler, "Command5_Click");
    EXPECT_EQ(reports[5].message, reports[0].message);

    // An operation notes nothing of its own: the handler's end tells.
    for (bool broken : {true, true, false, true}) {
        gui::Dispatch("Timer1_Timer", [&] {
            if (broken) throw runtime::RuntimeError("Recolour", "Label4", "broken");
        });
    }
    ASSERT_EQ(reports.size(), 8);
    EXPECT_EQ(reports[7].handler, "Timer1_Timer");
}

TEST_F(ServicesTest, TheDefaultReportIsAMessageBoxNamingHandlerAndError) {
    services->reportFailure = {};
    QString shown;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (!box || !box->isVisible() || box->objectName() != "RuntimeErrorReport") continue;
            shown = box->text();
            EXPECT_EQ(box->icon(), QMessageBox::Critical);
            box->accept();
        }
    });
    poll.start(10);
    gui::Dispatch("Option1_Click", [] {
        throw runtime::RuntimeError("LoadPicture", "/app/1/l.gif", "File not found");
    });
    EXPECT_TRUE(shown.contains("Option1_Click"));
    EXPECT_TRUE(shown.contains("LoadPicture '/app/1/l.gif': File not found"));
}

TEST_F(ServicesTest, DesignFontsMapToMetricCompatibleFaces) {
    for (const char* name : {"MS Sans Serif", "Arial"}) {
        const QFont font = gui::Font{.name = name, .points = 13.5}.ToQFont();
        EXPECT_EQ(QFontInfo(font).family(), "Liberation Sans") << name;
        EXPECT_DOUBLE_EQ(font.pointSizeF(), 13.5);
    }
    const gui::Font mono{.name = "Liberation Mono", .bold = true};
    EXPECT_EQ(mono.ToQFont().family(), "Liberation Mono");
    EXPECT_TRUE(mono.ToQFont().bold());
    EXPECT_EQ(gui::DefaultFont().ToQFont().pointSizeF(), 8.0);
    EXPECT_EQ(gui::Colour::Rgb(255, 192, 128).ToQColor(), QColor(255, 192, 128));
}

}  // namespace
