#include <QAccessible>

#include "Form1Fixture.h"
#include "about/About.h"

namespace {

class AccessibilityTest : public Form1Fixture {
protected:
    static QString Said(QWidget& widget, QAccessible::Text text = QAccessible::Name) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&widget);
        return face ? face->text(text) : QStringLiteral("<no interface>");
    }
    // Every control a person can reach with the keyboard has a name.
    static QStringList Unnamed(QWidget& window) {
        QStringList unnamed;
        int focusable = 0;
        for (QWidget* widget : window.findChildren<QWidget*>()) {
            if (!(widget->focusPolicy() & Qt::TabFocus) || widget->objectName().startsWith("qt_"))
                continue;
            ++focusable;
            if (Said(*widget).trimmed().isEmpty()) unnamed << widget->objectName();
        }
        if (focusable == 0) unnamed << "<no focusable control at all>";
        return unnamed;
    }
};

TEST_F(AccessibilityTest, EveryReachableControlOfBothWindowsHasAName) {
    Start();
    EXPECT_EQ(Unnamed(*form), QStringList());
    About about;
    EXPECT_EQ(Unnamed(about), QStringList());

    EXPECT_EQ(Said(C<gui::OptionButton>("Option1")), "Style 1");
    EXPECT_FALSE(Said(C<gui::OptionButton>("Option2"), QAccessible::Description).isEmpty());
    EXPECT_EQ(Said(C<gui::CommandButton>("Command5")), "Preview");
    EXPECT_EQ(Said(about.Control<gui::Label>("Label5"), QAccessible::Description),
              "Click to open the author's page");
}

// The strip shows a screen reader its letters only, never its empty slots.
TEST_F(AccessibilityTest, ThePreviewStripSaysWhatItShows) {
    Start();
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(form);
    const auto slotsFound = [window] {
        QStringList found;
        for (int i = 0; i < window->childCount(); ++i)
            if (window->child(i)->text(QAccessible::Name).startsWith("Preview letter"))
                found << window->child(i)->text(QAccessible::Name);
        found.sort();
        return found;
    };
    EXPECT_EQ(slotsFound(), QStringList());
    auto& text1 = C<gui::TextBox>("Text1");
    text1.setFocus();
    QTest::keyClicks(&text1, "h i");
    EXPECT_EQ(Said(C<gui::Image>("Image3", 0), QAccessible::Description), "The letter h");
    EXPECT_EQ(Said(C<gui::Image>("Image3", 2)), "Preview letter 3: i");
    EXPECT_EQ(slotsFound(), QStringList({"Preview letter 1: h", "Preview letter 3: i"}));
    EXPECT_EQ(Said(C<gui::Label>("Label3")), "17") << "the counter reads as it shows";
    QTest::keyClick(&text1, Qt::Key_Backspace);
    EXPECT_EQ(slotsFound(), QStringList({"Preview letter 1: h"}));
}

}  // namespace
