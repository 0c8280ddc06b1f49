#include <QClipboard>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "GuiFixture.h"
#include "ProbeDesign.h"
#include "gui/Controls.h"

namespace {

using gui::Event;

// The Qt setters that would bypass the controls' own rules are closed to
// callers: setMaxLength would bind SetText too, setChecked would leave the
// other buttons selected and raise no Click.
template <class T>
concept SetsMaxLength = requires(T& box) {
    box.setMaxLength(1);
};
template <class T>
concept SetsChecked = requires(T& button) {
    button.setChecked(true);
};
static_assert(SetsMaxLength<QLineEdit> && !SetsMaxLength<gui::TextBox>);
static_assert(SetsChecked<QRadioButton> && !SetsChecked<gui::OptionButton>);

// Drops are delivered by the window system only during a real drag.
class DropBox : public gui::TextBox {
public:
    using gui::TextBox::dropEvent;
};

class ControlsTest : public GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        form = new gui::Form(ProbeDesign());
    }
    void TearDown() override {
        if (form) form->Unload();
        GuiFixture::TearDown();
    }
    gui::Form* FormUnderTest() override { return form; }
    QPointer<gui::Form> form;
};

TEST_F(ControlsTest, MaxLengthBindsTypingAndPastingOnly) {
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    auto& box = C<gui::TextBox>("Text1");
    QSignalSpy changes(&box, &gui::TextBox::Change);
    box.setFocus();
    QTest::keyClicks(&box, "abcdefgh");
    EXPECT_EQ(box.Text(), "abcde");
    EXPECT_EQ(changes.count(), 5);

    // Replacing a selection with one character fits again.
    box.selectAll();
    QTest::keyClicks(&box, "xy");
    EXPECT_EQ(box.Text(), "xy");

    QGuiApplication::clipboard()->setText("PQRSTUVW");
    QTest::keySequence(&box, QKeySequence::Paste);
    EXPECT_EQ(box.Text(), "xyPQR");
    box.setSelection(1, 2);
    QTest::keyClick(&box, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(box.Text(), "xPQQR");

    // Text set by the program may be longer; it shows its beginning.
    const int before = int(changes.count());
    box.SetText("0123456789");
    EXPECT_EQ(box.Text(), "0123456789");
    EXPECT_EQ(box.cursorPosition(), 0);
    EXPECT_EQ(changes.count(), before + 1);
    QTest::keyClicks(&box, "z");
    EXPECT_EQ(box.Text(), "0123456789");
}

TEST_F(ControlsTest, ContextMenuPasteAndDropAreCutToFit) {
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    auto& box = C<gui::TextBox>("Text1");
    box.SetText("ab");
    box.setCursorPosition(2);
    QGuiApplication::clipboard()->setText("123456");
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(5, 5),
                                box.mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(&box, &menuEvent);
    QMenu* menu = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* found = qobject_cast<QMenu*>(widget); found && found->isVisible()) menu = found;
    ASSERT_NE(menu, nullptr);
    QAction* paste = nullptr;
    for (QAction* action : menu->actions())
        if (action->text().startsWith(QLineEdit::tr("&Paste"))) paste = action;
    ASSERT_NE(paste, nullptr);
    paste->trigger();
    menu->close();
    EXPECT_EQ(box.Text(), "ab123");

    DropBox dropBox;
    dropBox.SetMaxLength(5);
    dropBox.SetText("a");
    QMimeData data;
    data.setText("987654321");
    QDropEvent drop(QPointF(1, 1), Qt::CopyAction, &data, Qt::LeftButton, {});
    dropBox.dropEvent(&drop);
    EXPECT_EQ(dropBox.Text(), "9876a");
    QDropEvent full(QPointF(1, 1), Qt::CopyAction, &data, Qt::LeftButton, {});
    dropBox.dropEvent(&full);
    EXPECT_EQ(dropBox.Text(), "9876a");
    EXPECT_FALSE(full.isAccepted());
}

// Counted in UTF-16 units, whatever the path: an input method's commit and
// an insertion such as the context menu's control characters make.
TEST_F(ControlsTest, MaxLengthBindsEveryCharacterWithoutSplittingPairs) {
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    auto& box = C<gui::TextBox>("Text1");  // MaxLength 5
    box.setFocus();
    QTest::keyClicks(&box, "abcd");
    QSignalSpy changes(&box, &gui::TextBox::Change);
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    QInputMethodEvent commit;
    commit.setCommitString(emoji);
    QCoreApplication::sendEvent(&box, &commit);
    EXPECT_EQ(box.Text(), "abcd") << "one unit left: the pair is refused whole";
    box.insert(QString(QChar(0x200B)) + QChar(0xE000));
    EXPECT_EQ(box.Text(), "abcd");
    EXPECT_EQ(changes.count(), 0);
    box.insert(QString(QChar(0x200B)));
    EXPECT_EQ(box.Text(), QString("abcd") + QChar(0x200B));
    QTest::sendKeyEvent(QTest::Click, &box, Qt::Key_unknown, QString(QChar(0xE000)),
                        Qt::NoModifier);
    EXPECT_EQ(box.Text().size(), 5);
    EXPECT_EQ(changes.count(), 1);
}

TEST_F(ControlsTest, DisabledTextBoxIsGreyedAndUntouchable) {
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    auto& box = C<gui::TextBox>("Text2");
    box.setFocus();
    EXPECT_FALSE(box.hasFocus());
    QTest::mouseDClick(&box, Qt::LeftButton);
    EXPECT_FALSE(box.hasFocus());
    EXPECT_FALSE(box.hasSelectedText());
    QTest::keyClicks(&box, "typed");
    EXPECT_EQ(box.Text(), "fixed");
    EXPECT_NE(box.palette().color(QPalette::Disabled, QPalette::Text),
              box.palette().color(QPalette::Active, QPalette::Text));
    EXPECT_EQ(box.palette().color(QPalette::Disabled, QPalette::Base), QColor(Qt::white));
}

// A screen reader's review places each character of a read-only box where it
// is drawn: all ink lies in the characters' rectangles, each visible letter's
// rectangle holds ink, and the point in its middle names it.
TEST_F(ControlsTest, AReadOnlyBoxPlacesEachCharacterWhereItIsDrawn) {
    form->Show();
    auto& box = C<gui::TextBox>("Text2");
    const QString text = "Wij mill, longer than the box";
    box.SetText(text);
    const QImage shot = box.grab().toImage();
    const QRgb base = box.palette().color(QPalette::Disabled, QPalette::Base).rgb();
    const auto inked = [&](int x, int y) {
        return qAbs(qGray(shot.pixel(x, y)) - qGray(base)) > 25;
    };
    QRegion characters;
    for (int i = 0; i < text.size(); ++i) characters += box.CharacterRect(i).adjusted(-1, 0, 1, 0);
    int ink = 0;
    for (int y = 3; y < shot.height() - 3; ++y)
        for (int x = 3; x < shot.width() - 3; ++x)
            if (inked(x, y)) {
                ++ink;
                EXPECT_TRUE(characters.contains(QPoint(x, y)))
                    << "ink outside at " << x << "," << y;
            }
    EXPECT_GT(ink, 30);
    for (int i : {0, 1, 2, 4}) {
        const QRect rect = box.CharacterRect(i);
        int held = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x) held += inked(x, y);
        EXPECT_GT(held, 0) << "character " << i << " at " << rect.x();
        EXPECT_EQ(box.CharacterAt(rect.center()), i);
    }
    EXPECT_LT(box.CharacterRect(1).width(), box.CharacterRect(0).width()) << "i narrower than W";
    EXPECT_EQ(box.CharacterAt(QPoint(box.CharacterRect(0).left() - 2, 5)), -1);
    EXPECT_TRUE(box.CharacterRect(int(text.size())).isNull());
}

TEST_F(ControlsTest, OptionButtonsRaiseClickWhenTheyBecomeSelected) {
    auto& a = C<gui::OptionButton>("OptA");
    auto& b = C<gui::OptionButton>("OptB");
    QStringList clicks;
    QObject::connect(&a, &gui::OptionButton::Click,
                     [&] { clicks << QString("A:%1%2").arg(a.Value()).arg(b.Value()); });
    QObject::connect(&b, &gui::OptionButton::Click,
                     [&] { clicks << QString("B:%1%2").arg(a.Value()).arg(b.Value()); });

    // Setting Value: selected, the other cleared, Click raised before returning.
    b.SetValue(true);
    EXPECT_EQ(clicks, QStringList({"B:01"}));
    a.SetValue(true);
    EXPECT_EQ(clicks, QStringList({"B:01", "A:10"}));
    a.SetValue(true);  // already selected
    EXPECT_EQ(clicks.size(), 2);
    // A frame's buttons are a group of their own.
    gui::FormDesign framed = ProbeDesign();
    // clang-format off
    framed.controls.insert(framed.controls.begin(), {
        {.name = "OptC", .kind = gui::ControlKind::OptionButton, .width = 300, .height = 300, .container = "Frame1"},
        {.name = "OptD", .kind = gui::ControlKind::OptionButton, .left = 400, .width = 300, .height = 300, .container = "Frame1"}});
    framed.controls.push_back({.name = "Frame1", .kind = gui::ControlKind::Frame, .width = 900, .height = 600});
    // clang-format on
    gui::Form other(framed);
    other.Control<gui::OptionButton>("OptA").SetValue(true);
    other.Control<gui::OptionButton>("OptC").SetValue(true);
    EXPECT_TRUE(other.Control<gui::OptionButton>("OptA").Value()) << "the frame cleared the window";
    other.Control<gui::OptionButton>("OptD").SetValue(true);
    EXPECT_FALSE(other.Control<gui::OptionButton>("OptC").Value());
    a.SetValue(false);
    EXPECT_FALSE(a.Value());
    EXPECT_FALSE(b.Value());
    EXPECT_EQ(clicks.size(), 2);

    // Focus taken before the window is active, as at the first showing.
    a.TakeFocus();
    EXPECT_EQ(clicks.last(), "A:10");
    clicks.clear();

    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    a.setFocus();
    EXPECT_TRUE(clicks.isEmpty()) << "focus back on the selected button selects nothing anew";
    QTest::keyClick(&a, Qt::Key_Right);
    EXPECT_TRUE(b.hasFocus());
    QTest::keyClick(&b, Qt::Key_Down);  // wraps round the group
    EXPECT_TRUE(a.hasFocus());
    QTest::keyClick(&a, Qt::Key_Tab);  // the group is one Tab stop
    EXPECT_TRUE(C<gui::CommandButton>("Button1").hasFocus());
    EXPECT_EQ(clicks, QStringList({"B:01", "A:10"}));
    b.SetValue(true);

    clicks.clear();
    QTest::mouseClick(&a, Qt::LeftButton);
    QTest::mouseClick(&a, Qt::LeftButton);  // a click never clears it
    EXPECT_TRUE(a.Value());
    EXPECT_EQ(clicks, QStringList({"A:10"}));
}

TEST_F(ControlsTest, ImagesTakeTheirPicturesSizeAndShowWhatLiesBehind) {
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    auto& image = C<gui::Image>("Pic", 3);
    const QPoint corner = image.pos();
    QImage picture(36, 74, QImage::Format_ARGB32);
    picture.fill(qRgb(255, 255, 0));
    picture.setPixel(0, 0, qRgba(0, 0, 0, 0));
    image.SetPicture(gui::Picture(QPixmap::fromImage(picture)));
    EXPECT_EQ(image.geometry(), QRect(corner, QSize(36, 74)));
    const QImage shown = form->grab().toImage();
    EXPECT_EQ(shown.pixel(corner + QPoint(0, 0)), qRgb(10, 200, 30));
    EXPECT_EQ(shown.pixel(corner + QPoint(5, 5)), qRgb(255, 255, 0));

    image.SetPicture(gui::Picture());
    EXPECT_TRUE(image.GetPicture().IsEmpty());
    EXPECT_EQ(image.pos(), corner);
    EXPECT_EQ(form->grab().toImage().pixel(corner + QPoint(5, 5)), qRgb(10, 200, 30));

    QSignalSpy clicks(&image, &gui::Image::Click);
    QSignalSpy doubles(&image, &gui::Image::DblClick);
    // Through the window, as the window system delivers a double click.
    QTest::mouseDClick(form->windowHandle(), Qt::LeftButton, {}, image.mapTo(form, QPoint(3, 3)));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(doubles.count(), 1);
}

TEST_F(ControlsTest, ShapesLetTheMouseThroughAndLabelsWrapInTheirBox) {
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    auto& label = C<gui::Label>("Label1");
    QSignalSpy clicks(&label, &gui::Label::Click);
    // On the shape's outline, where it lies over the label.
    QTest::mouseClick(form->childAt(179, 70), Qt::LeftButton, {},
                      label.mapFrom(form, QPoint(179, 70)));
    EXPECT_EQ(form->childAt(179, 70), &label);
    EXPECT_EQ(clicks.count(), 1);

    label.SetForeColor(QColor(255, 255, 255));
    label.SetCaption("wide wide wide wide");
    const QImage shown = label.grab().toImage();
    bool secondLine = false;
    for (int x = 0; x < shown.width(); ++x)
        for (int y = shown.height() / 2; y < shown.height(); ++y)
            if (qRed(shown.pixel(x, y)) > 128 && qBlue(shown.pixel(x, y)) > 128 &&
                qGreen(shown.pixel(x, y)) > 128)
                secondLine = true;
    EXPECT_TRUE(secondLine) << "a long caption wraps to a second line";
    EXPECT_EQ(label.Caption(), "wide wide wide wide");
}

}  // namespace
