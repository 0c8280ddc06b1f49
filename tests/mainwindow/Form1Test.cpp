#include <QClipboard>
#include <QFontInfo>
#include <QScreen>

#include "Form1Fixture.h"

namespace {

class Form1Test : public Form1Fixture {};

int StackIndex(QWidget& widget) {
    return int(widget.parentWidget()->children().indexOf(&widget));
}

TEST_F(Form1Test, OpensInStyleOneHavingComposedOnce) {
    form = new Form1;
    EXPECT_EQ(ScrapFile(), "<none>");  // the design alone composes nothing
    EXPECT_FALSE(C<gui::OptionButton>("Option1").Value());
    form->Show();
    EXPECT_EQ(ScrapFile(), "\r\n");
    QFile::remove(work.filePath("scrap.htm"));
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    QTest::qWait(20);
    EXPECT_EQ(ScrapFile(), "<none>") << "activation must not compose again";

    EXPECT_EQ(QApplication::focusWidget(), &C<gui::OptionButton>("Option1"));
    EXPECT_TRUE(C<gui::OptionButton>("Option1").Value());
    EXPECT_FALSE(C<gui::OptionButton>("Option2").Value());
    EXPECT_EQ(C<gui::Label>("Label3").Caption(), "20");
    EXPECT_EQ(C<gui::TextBox>("Text1").Text(), "");
    EXPECT_EQ(C<gui::TextBox>("Text2").Text(), "");
    for (int i = 0; i < SlotCount; ++i) EXPECT_TRUE(SlotImage(i).isNull()) << "slot " << i;
    EXPECT_EQ(form->windowTitle(), "Ketro's Yarvo Dururive");
    const QPoint centre = form->screen()->availableGeometry().center();
    EXPECT_LE((form->geometry().center() - centre).manhattanLength(), 3);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(Form1Test, LaysOutTheControlsAtTheirPlaces) {
    Start();
    EXPECT_EQ(form->size(), QSize(745, 590));
    EXPECT_EQ(C<gui::TextBox>("Text1").geometry(), QRect(408, 152, 249, 25));
    EXPECT_EQ(C<gui::TextBox>("Text2").geometry(), QRect(32, 264, 601, 33));
    EXPECT_EQ(C<gui::Label>("Label6").geometry(), QRect(176, 8, 417, 33));
    EXPECT_EQ(C<gui::Shape>("Shape2").geometry(), QRect(8, 144, 729, 73));
    EXPECT_EQ(C<gui::CommandButton>("Command3").geometry(), QRect(656, 272, 49, 25));
    EXPECT_EQ(C<gui::Image>("Image3", 0).geometry(), QRect(64, 336, 36, 74));
    EXPECT_EQ(C<gui::Image>("Image3", 14).geometry(), QRect(624, 336, 36, 74));
    EXPECT_EQ(C<gui::Image>("Image3", 15).geometry(), QRect(64, 416, 36, 74));
    EXPECT_EQ(C<gui::Image>("Image3", 44).geometry(), QRect(624, 496, 36, 74));
    EXPECT_EQ(C<gui::Image>("Image3", 44).objectName(), "Image3_44");
    // The sample pictures, still, at their own sizes.
    EXPECT_EQ(C<gui::Image>("Image1").geometry(), QRect(280, 72, 32, 28));
    EXPECT_EQ(C<gui::Image>("Image2").geometry(), QRect(424, 48, 36, 74));

    EXPECT_EQ(C<gui::Label>("Label1").Caption(), "Enter Text Here (Max 20 chars)");
    EXPECT_EQ(C<gui::Label>("Label1").font().pointSizeF(), 18.0);
    EXPECT_EQ(C<gui::Label>("Label7").font().pointSizeF(), 13.5);
    EXPECT_EQ(C<gui::Label>("Label6").font().pointSizeF(), 24.0);
    EXPECT_EQ(QFontInfo(C<gui::TextBox>("Text1").font()).family(), "Liberation Sans");
    EXPECT_EQ(C<gui::TextBox>("Text1").MaxLength(), 20);
    EXPECT_EQ(C<gui::CommandButton>("Command5").text(), "Preview");
    EXPECT_FALSE(C<gui::CommandButton>("Command2").isDefault());

    // Front to back: the windowed controls, the outlines over the labels
    // and pictures they touch, Image2 at the back.
    EXPECT_GT(StackIndex(C<gui::TextBox>("Text2")), StackIndex(C<gui::Shape>("Shape3")));
    EXPECT_GT(StackIndex(C<gui::Shape>("Shape1")), StackIndex(C<gui::Label>("Label5")));
    EXPECT_GT(StackIndex(C<gui::Image>("Image3", 0)), StackIndex(C<gui::Label>("Label4")));
    EXPECT_GT(StackIndex(C<gui::Image>("Image3", 44)), StackIndex(C<gui::Image>("Image3", 0)));
    EXPECT_GT(StackIndex(C<gui::Label>("Label1")), StackIndex(C<gui::Image>("Image2")));
    const QImage shown = form->grab().toImage();
    EXPECT_EQ(shown.pixel(440, 56), qRgb(0, 0, 0));   // Shape1's top line across Image2
    EXPECT_EQ(shown.pixel(440, 112), qRgb(0, 0, 0));  // and its bottom line
    EXPECT_EQ(shown.pixel(4, 4), qRgb(255, 192, 128));

    QStringList visited;
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    // The style group is one stop, at its selected button.
    EXPECT_EQ(visited,
              QStringList({"Text1", "Command2", "Command3", "Command5", "Option1", "Text1"}));
}

TEST_F(Form1Test, TypingAndPastingAreHeldToTwentyCharacters) {
    Start();
    auto& text1 = C<gui::TextBox>("Text1");
    QTest::mouseClick(&text1, Qt::LeftButton);
    QTest::keyClicks(&text1, "Hello");
    EXPECT_EQ(C<gui::Label>("Label3").Caption(), "15");
    EXPECT_EQ(SlotImage(0), Glyph(1, 'h'));
    EXPECT_EQ(SlotImage(4), Glyph(1, 'o'));
    EXPECT_TRUE(SlotImage(5).isNull());
    const QString scrap = ComposeScrap("Hello", 1).Scrap;
    EXPECT_EQ(C<gui::TextBox>("Text2").Text(), scrap);
    EXPECT_EQ(ScrapFile(), Line(scrap));

    QTest::keyClicks(&text1, "abcdefghijklmnoXYZ");
    EXPECT_EQ(text1.Text(), "Helloabcdefghijklmno");
    EXPECT_EQ(C<gui::Label>("Label3").Caption(), "0");
    EXPECT_EQ(SlotImage(19), Glyph(1, 'o'));
    EXPECT_EQ(ScrapFile(), Line(ComposeScrap(text1.Text(), 1).Scrap));

    text1.selectAll();
    QTest::keyClick(&text1, Qt::Key_Delete);
    EXPECT_EQ(C<gui::Label>("Label3").Caption(), "20");
    QTest::keyClicks(&text1, "ab");
    QGuiApplication::clipboard()->setText("cdefghijklmnopqrstuvwxyz0123");
    QTest::keySequence(&text1, QKeySequence::Paste);
    EXPECT_EQ(text1.Text(), "abcdefghijklmnopqrst");
    EXPECT_EQ(C<gui::Label>("Label3").Caption(), "0");
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(Form1Test, StyleChangesByClickTabAndArrowKeys) {
    Start();
    auto& option1 = C<gui::OptionButton>("Option1");
    auto& option2 = C<gui::OptionButton>("Option2");
    auto& text1 = C<gui::TextBox>("Text1");
    text1.setFocus();
    QTest::keyClicks(&text1, "hi");
    auto inStyle = [&](int style) {
        return option1.Value() == (style == 1) && option2.Value() == (style == 2) &&
               SlotImage(0) == Glyph(style, 'h') && SlotImage(1) == Glyph(style, 'i') &&
               C<gui::TextBox>("Text2").Text() == ComposeScrap("hi", style).Scrap &&
               ScrapFile() == Line(ComposeScrap("hi", style).Scrap);
    };
    ASSERT_TRUE(inStyle(1));

    QTest::mouseClick(&option2, Qt::LeftButton);
    EXPECT_TRUE(inStyle(2));
    QTest::mouseClick(&option1, Qt::LeftButton);
    EXPECT_TRUE(inStyle(1));

    // Tab and Shift+Tab leave and enter the group at its selected button.
    QTest::keyClick(&option1, Qt::Key_Tab);
    EXPECT_TRUE(text1.hasFocus());
    EXPECT_TRUE(inStyle(1));
    QTest::keyClick(&text1, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_TRUE(option1.hasFocus());
    EXPECT_TRUE(inStyle(1));

    QTest::keyClick(&option1, Qt::Key_Right);
    EXPECT_TRUE(inStyle(2));
    QTest::keyClick(&option2, Qt::Key_Up);
    EXPECT_TRUE(inStyle(1));
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(Form1Test, SlotsShowPicturesUnstretchedFromTheirCorner) {
    Start();
    const auto write = [&](const QString& name, QSize size) {
        QImage picture(size, QImage::Format_ARGB32);
        picture.fill(qRgb(200, 0, 40));
        const QString path = work.filePath(name);
        picture.save(path, "PNG");
        return path;
    };
    form->ShowSlotPicture(0, write("exact.png", QSize(36, 74)), u'e');
    EXPECT_EQ(C<gui::Image>("Image3", 0).geometry(), QRect(64, 336, 36, 74));
    EXPECT_EQ(form->grab().toImage().pixel(64 + 35, 336 + 73), qRgb(200, 0, 40));
    form->ShowSlotPicture(15, write("small.png", QSize(20, 30)), u's');
    EXPECT_EQ(C<gui::Image>("Image3", 15).geometry(), QRect(64, 416, 20, 30));
    form->ShowSlotPicture(44, write("large.png", QSize(50, 100)), u'l');
    EXPECT_EQ(C<gui::Image>("Image3", 44).geometry(), QRect(624, 496, 50, 100));

    // A failed load leaves the slot as it was.
    EXPECT_THROW(form->ShowSlotPicture(0, work.filePath("none.gif"), u'n'), runtime::RuntimeError);
    EXPECT_EQ(SlotImage(0).size(), QSize(36, 74));
    form->ClearSlot(0);
    EXPECT_TRUE(SlotImage(0).isNull());
}

TEST_F(Form1Test, Text2RefusesFocusAndEditsAndShowsTheBeginning) {
    Start();
    auto& text2 = C<gui::TextBox>("Text2");
    auto& text1 = C<gui::TextBox>("Text1");
    text1.setFocus();
    QTest::keyClicks(&text1, "abcdefghijklmnopqrst");
    const QString scrap = text2.Text();
    ASSERT_GT(scrap.size(), 400);
    EXPECT_EQ(text2.cursorPosition(), 0);  // the beginning is what shows
    EXPECT_FALSE(text2.isEnabled());

    QTest::mouseClick(&text2, Qt::LeftButton);
    EXPECT_FALSE(text2.hasFocus());
    text2.setFocus();
    EXPECT_FALSE(text2.hasFocus());
    QTest::mouseDClick(&text2, Qt::LeftButton);
    EXPECT_FALSE(text2.hasSelectedText());
    QTest::keyClicks(&text2, "edit");
    EXPECT_EQ(text2.Text(), scrap);
}

TEST_F(Form1Test, TheWindowCannotBeResizedMinimisedOrMaximised) {
    Start();
    const Qt::WindowFlags flags = form->windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    form->resize(900, 700);
    EXPECT_EQ(form->size(), QSize(745, 590));
}

TEST_F(Form1Test, AMissingGlyphIsReportedAndTheProgramGoesOn) {
    QTemporaryDir app;
    for (const char* style : {"1", "2"}) {
        QDir().mkpath(app.filePath(style));
        for (const QString& name :
             QDir(QStringLiteral(PROGRAM_DIR "/") + style).entryList(QDir::Files))
            QFile::copy(QStringLiteral(PROGRAM_DIR "/%1/%2").arg(style, name),
                        app.filePath(style + QString("/") + name));
    }
    ASSERT_TRUE(QFile::remove(app.filePath("1/l.gif")));
    const runtime::ScopedAppDir elsewhere(app.path());
    Start();
    auto& text1 = C<gui::TextBox>("Text1");
    text1.setFocus();
    QTest::keyClicks(&text1, "he");
    const QString he = ComposeScrap("he", 1).Scrap;
    ASSERT_TRUE(reports.isEmpty());

    QTest::keyClick(&text1, Qt::Key_L);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].handler, "Text1_Change");
    EXPECT_TRUE(reports[0].message.contains(app.filePath("1/l.gif")))
        << reports[0].message.toStdString();
    EXPECT_TRUE(reports[0].message.contains("File not found"));
    EXPECT_EQ(C<gui::Label>("Label3").Caption(), "17");
    EXPECT_EQ(SlotImage(0), Glyph(1, 'h'));
    EXPECT_EQ(SlotImage(1), Glyph(1, 'e'));
    EXPECT_TRUE(SlotImage(2).isNull());
    EXPECT_EQ(C<gui::TextBox>("Text2").Text(), he);
    EXPECT_EQ(ScrapFile(), Line(he));

    // The window stays and takes the next keys; the same failure again is
    // not reported again.
    EXPECT_TRUE(form->isVisible());
    QTest::keyClick(&text1, Qt::Key_P);
    EXPECT_EQ(reports.size(), 1);
    EXPECT_EQ(C<gui::Label>("Label3").Caption(), "16");
    EXPECT_TRUE(SlotImage(3).isNull());
    text1.selectAll();
    QTest::keyClicks(&text1, "hop");
    EXPECT_EQ(reports.size(), 1);
    EXPECT_EQ(C<gui::TextBox>("Text2").Text(), ComposeScrap("hop", 1).Scrap);
    EXPECT_EQ(ScrapFile(), Line(ComposeScrap("hop", 1).Scrap));
}

}  // namespace
