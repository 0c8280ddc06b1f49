#include <QAction>
#include <QClipboard>
#include <QFileInfo>
#include <QMimeData>
#include <QSignalSpy>

#include "Form1Fixture.h"
#include "about/About.h"
#include "composer/ScrapGif.h"
#include "gui/FileDialog.h"
#include "gui/automation/ProgIds.h"

namespace {

class Form1CommandsTest : public Form1Fixture {
protected:
    void StartWithText(const QString& text) {
        Start();
        auto& text1 = C<gui::TextBox>("Text1");
        text1.setFocus();
        QTest::keyClicks(&text1, text);
        ASSERT_EQ(ScrapFile(), Line(ComposeScrap(text, 1).Scrap));
        QFile::remove(work.filePath("scrap.htm"));
    }
    void Click(QWidget& widget) { QTest::mouseClick(&widget, Qt::LeftButton, {}, QPoint(2, 2)); }
    // As the window system gives it: a click, then a press that is a double
    // click, then its release.
    void DoubleClick(QWidget& widget) {
        Click(widget);
        QTest::mouseDClick(&widget, Qt::LeftButton, {}, QPoint(2, 2));
    }
    QString Scrap() { return C<gui::TextBox>("Text2").Text(); }
};

TEST_F(Form1CommandsTest, SamplePicturesSelectTheirStyleOnlyWhenItIsNotSelected) {
    StartWithText("ab");
    auto& option1 = C<gui::OptionButton>("Option1");
    auto& option2 = C<gui::OptionButton>("Option2");
    QSignalSpy clicks1(&option1, &gui::OptionButton::Click);
    QSignalSpy clicks2(&option2, &gui::OptionButton::Click);

    Click(C<gui::Image>("Image1"));
    EXPECT_EQ(clicks1.count(), 0);
    EXPECT_EQ(ScrapFile(), "<none>") << "already style 1: nothing composes";

    Click(C<gui::Image>("Image2"));
    EXPECT_EQ(clicks2.count(), 1);
    EXPECT_TRUE(option2.Value());
    EXPECT_FALSE(option1.Value());
    EXPECT_EQ(Scrap(), ComposeScrap("ab", 2).Scrap);
    EXPECT_EQ(ScrapFile(), Line(ComposeScrap("ab", 2).Scrap));
    EXPECT_EQ(SlotImage(1), Glyph(2, 'b'));

    QFile::remove(work.filePath("scrap.htm"));
    Click(C<gui::Image>("Image2"));
    EXPECT_EQ(clicks2.count(), 1);
    EXPECT_EQ(ScrapFile(), "<none>");

    DoubleClick(C<gui::Image>("Image1"));
    EXPECT_EQ(clicks1.count(), 1);
    EXPECT_TRUE(option1.Value());
    EXPECT_FALSE(option2.Value());
    EXPECT_EQ(ScrapFile(), Line(ComposeScrap("ab", 1).Scrap));
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(Form1CommandsTest, CopyPutsTheScrapAsPlainTextAndNothingElse) {
    Start();
    QGuiApplication::clipboard()->setText("earlier");
    Click(C<gui::CommandButton>("Command3"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "") << "an empty scrap empties the clipboard";

    auto& text1 = C<gui::TextBox>("Text1");
    text1.setFocus();
    QTest::keyClicks(&text1, "ab");
    QFile::remove(work.filePath("scrap.htm"));
    Click(C<gui::CommandButton>("Command3"));
    const QString ab = ComposeScrap("a", 1).Scrap + ComposeScrap("b", 1).Scrap;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->formats(), QStringList({"text/plain"}));
    EXPECT_EQ(data->text(), ab);
    EXPECT_EQ(ScrapFile(), "<none>") << "Copy neither recomposes nor writes";
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(Form1CommandsTest, AboutIsModalWithNoOwnerAndFreshAtEachShowing) {
    StartWithText("x");
    QList<QPointer<About>> shown;
    services->runModal = [&](gui::Form& window) {
        auto* about = qobject_cast<About*>(&window);
        ASSERT_NE(about, nullptr);
        shown.append(about);
        EXPECT_EQ(about->parentWidget(), nullptr);
        EXPECT_EQ(about->windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(QApplication::activeModalWidget(), about);
        EXPECT_TRUE(about->isVisible());
        // The colour cycling starts again from the design at each showing.
        EXPECT_EQ(about->Control<gui::Label>("Label4").ForeColor(),
                  About().Control<gui::Label>("Label4").ForeColor());
        about->Control<gui::Label>("Label4").SetForeColor(Qt::green);
        about->Control<gui::CommandButton>("Command1").click();
    };
    Click(C<gui::CommandButton>("Command2"));
    Click(C<gui::CommandButton>("Command2"));
    ASSERT_EQ(shown.size(), 2);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(shown[0].isNull() && shown[1].isNull())
        << "each showing ends with the window destroyed";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // The main window works again.
    Click(C<gui::Image>("Image2"));
    EXPECT_EQ(Scrap(), ComposeScrap("x", 2).Scrap);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(Form1CommandsTest, PreviewFailureIsReportedAndLeavesTheFileAsComposed) {
    StartWithText("hi");
    const auto browser = gui::FindProgId("InternetExplorer.Application");
    ASSERT_TRUE(browser.has_value());
    gui::ProgIdEntry missing = *browser;
    missing.service = "org.dururive.Test.NoBrowser";
    missing.program = work.filePath("no-such-browser");
    gui::RegisterProgId(missing);

    Click(C<gui::CommandButton>("Command5"));
    gui::RegisterProgId(*browser);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].handler, "Command5_Click");
    EXPECT_TRUE(reports[0].message.contains("InternetExplorer.Application"))
        << reports[0].message.toStdString();
    EXPECT_EQ(ScrapFile(), "<none>") << "Preview does not recompose";
    EXPECT_EQ(Scrap(), ComposeScrap("hi", 1).Scrap);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(Form1CommandsTest, SaveAsAnimatedGifNeedsALetterAndReportsWhereItFailed) {
    QStringList asked;
    QString answer = work.filePath("saved.gif");
    services->askSaveFileName = [&](const QString& title, const QString& suggested) {
        asked << title << QFileInfo(suggested).fileName();
        return answer;
    };
    StartWithText("Hi yo!");
    auto& save = C<QAction>("mnuSaveGif");
    EXPECT_TRUE(save.isEnabled());
    QTest::keyClick(form, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(asked, QStringList({"Save as Animated GIF", "hi yo.gif"}));
    EXPECT_TRUE(QFileInfo(answer).size() > 0);

    answer = work.filePath("gone/saved.gif");
    save.trigger();
    save.trigger();
    ASSERT_EQ(reports.size(), 2) << "a command the user asked for reports every failure";
    EXPECT_EQ(reports[0].handler, "mnuSaveGif_Click");
    EXPECT_TRUE(reports[0].message.contains(answer)) << reports[0].message.toStdString();
    services->askSaveFileName = {};

    C<gui::TextBox>("Text1").SetText("1 2");
    EXPECT_FALSE(save.isEnabled()) << "no letter left to save";
    EXPECT_TRUE(save.toolTip().contains("no letter")) << save.toolTip().toStdString();
}

// Ctrl+Shift+C puts the GIF on the clipboard as a picture and as a file, in
// that order and with no PNG; a copy that fails leaves the clipboard alone.
TEST_F(Form1CommandsTest, CopyAsAnimatedGifOffersTheFileOrLeavesTheClipboard) {
    const QByteArray cacheBefore = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", work.filePath("cache").toLocal8Bit());
    StartWithText("Hi yo");
    QTest::keyClick(form, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->formats(),
              QStringList({"image/gif", "text/uri-list", "x-special/gnome-copied-files"}));
    EXPECT_EQ(data->data("image/gif"), EncodeScrapGif("Hi yo", 1));
    const QList<QUrl> urls = data->urls();
    ASSERT_EQ(urls.size(), 1);
    QFile file(urls[0].toLocalFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    EXPECT_EQ(file.readAll(), data->data("image/gif"));
    EXPECT_EQ(data->data("x-special/gnome-copied-files"), "copy\n" + urls[0].toEncoded());

    // The copies' folder a link, then the cache a file.
    QGuiApplication::clipboard()->setText("untouched");
    const QString copies = work.filePath("cache/dururive/copies");
    ASSERT_TRUE(QDir(copies).removeRecursively() && QFile::link(work.path(), copies));
    C<QAction>("mnuCopyGif").trigger();
    QFile blocker(work.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    qputenv("XDG_CACHE_HOME", blocker.fileName().toLocal8Bit());
    C<QAction>("mnuCopyGif").trigger();
    qputenv("XDG_CACHE_HOME", cacheBefore);
    ASSERT_EQ(reports.size(), 2);
    EXPECT_EQ(reports[0].handler, "mnuCopyGif_Click");
    EXPECT_EQ(reports[0].message,
              "Open folder '" + copies + "': it is a symbolic link, and a link is never followed");
    EXPECT_EQ(reports[1].message, "Open folder '" + blocker.fileName() + "': Not a directory");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "untouched");

    C<gui::TextBox>("Text1").SetText("!");
    EXPECT_FALSE(C<QAction>("mnuCopyGif").isEnabled());
    EXPECT_TRUE(C<QAction>("mnuCopyGif").toolTip().contains("no letter to copy"));
}

TEST_F(Form1CommandsTest, OtherEventsDoNothing) {
    StartWithText("ab");
    QGuiApplication::clipboard()->setText("untouched");
    DoubleClick(C<gui::TextBox>("Text2"));
    for (const char* label : {"Label1", "Label3", "Label4", "Label6"}) Click(C<gui::Label>(label));
    Click(C<gui::Image>("Image3", 0));
    DoubleClick(C<gui::Image>("Image3", 1));
    DoubleClick(C<gui::CommandButton>("Command3"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), Scrap())
        << "a double click on Copy copies, nothing more";
    EXPECT_EQ(ScrapFile(), "<none>");
    EXPECT_TRUE(C<gui::OptionButton>("Option1").Value());
    EXPECT_EQ(Scrap(), ComposeScrap("ab", 1).Scrap);
    EXPECT_TRUE(reports.isEmpty());
}

}  // namespace
