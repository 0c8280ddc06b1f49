#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "GuiFixture.h"
#include "ProbeDesign.h"
#include "gui/Controls.h"
#include "gui/core/RuntimeError.h"

namespace {

using gui::Event;

class FormTest : public GuiFixture {};

QRgb Pixel(QWidget& widget, int x, int y) {
    return widget.grab().toImage().pixel(x, y);
}

TEST_F(FormTest, BuildsTheWindowFromItsDesign) {
    ASSERT_DOUBLE_EQ(QGuiApplication::primaryScreen()->logicalDotsPerInchX(), 96.0);
    EXPECT_EQ(gui::TwipsToPixels(15), 1);
    EXPECT_EQ(gui::TwipsToPixels(11175), 745);
    EXPECT_EQ(gui::TwipsToPixels(8850), 590);

    gui::Form form(ProbeDesign());
    EXPECT_EQ(form.objectName(), "Probe");
    EXPECT_EQ(form.windowTitle(), "Probe window");
    EXPECT_EQ(form.size(), QSize(200, 100));
    EXPECT_EQ(form.minimumSize(), QSize(200, 100));
    EXPECT_EQ(form.maximumSize(), QSize(200, 100));
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);

    EXPECT_EQ(form.Control<gui::TextBox>("Text1").geometry(), QRect(100, 10, 80, 25));
    EXPECT_EQ(form.Control<gui::Image>("Pic", 3).objectName(), "Pic_3");
    EXPECT_EQ(form.Control<gui::Timer>("Timer1").Interval(), 10);
    EXPECT_EQ(form.FindControl("Pic"), nullptr);
    EXPECT_THROW(form.Control<gui::Label>("Text1"), runtime::RuntimeError);
    EXPECT_THROW(form.Control<gui::Label>("Nothing"), runtime::RuntimeError);
}

TEST_F(FormTest, ShowsCentredWithTheFirstFocusInTabOrder) {
    auto* form = new gui::Form(ProbeDesign());
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    const QPoint centre = form->screen()->availableGeometry().center();
    EXPECT_LE((form->geometry().center() - centre).manhattanLength(), 2);
    EXPECT_EQ(QApplication::focusWidget(), &form->Control<gui::CommandButton>("Button1"));
    EXPECT_NE(form->Hwnd(), WId(0));

    // Tab visits the windowed controls by tab index, never the disabled box;
    // the option group is one stop, which selects OptA.
    QStringList visited;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(visited, QStringList({"Text1", "OptA", "Button1", "Text1", "OptA"}));
    form->Unload();
}

TEST_F(FormTest, PaintsInTheDesignsStackingOrder) {
    gui::Form form(ProbeDesign());
    const QImage picture = form.grab().toImage();
    EXPECT_EQ(picture.pixel(1, 1), qRgb(10, 200, 30));
    // The shape is listed before the label, so its outline lies over it.
    EXPECT_EQ(picture.pixel(179, 70), qRgb(0, 0, 0));       // right edge, over Label1
    EXPECT_EQ(picture.pixel(150, 89), qRgb(0, 0, 0));       // bottom edge, over Label1
    EXPECT_EQ(picture.pixel(150, 75), qRgb(0, 0, 255));     // Label1 inside the outline
    EXPECT_EQ(picture.pixel(110, 55), qRgb(10, 200, 30));   // the shape is hollow
    EXPECT_EQ(picture.pixel(30, 90), qRgb(10, 200, 30));    // the transparent label
    EXPECT_EQ(picture.pixel(14, 14), qRgb(220, 0, 0));      // the graphical button's back colour
    EXPECT_EQ(picture.pixel(10, 10), qRgb(255, 255, 255));  // its raised edge
    EXPECT_EQ(picture.pixel(69, 34), qRgb(0, 0, 0));

    gui::FormDesign reversed = ProbeDesign();
    std::swap(reversed.controls[5], reversed.controls[6]);
    gui::Form labelOnTop(reversed);
    EXPECT_EQ(Pixel(labelOnTop, 179, 70), qRgb(0, 0, 255));
}

TEST_F(FormTest, HandlersRunThroughTheDispatchPoint) {
    auto* form = new gui::Form(ProbeDesign());
    int clicks = 0;
    form->On("Button1", Event::Click, [&] {
        ++clicks;
        throw runtime::RuntimeError("LoadPicture", "/x/a.gif", "File not found");
    });
    form->Show();
    QTest::mouseClick(&form->Control<gui::CommandButton>("Button1"), Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_EQ(reports[0].handler, "Button1_Click");
    EXPECT_EQ(reports[0].message, "LoadPicture '/x/a.gif': File not found");
    EXPECT_TRUE(form->isVisible());  // the program goes on

    EXPECT_THROW(form->On("Label1", Event::Change, [] {}), runtime::RuntimeError);
    EXPECT_THROW(form->On("Nothing", Event::Click, [] {}), runtime::RuntimeError);
    int picClicks = 0;
    form->On("Pic", 3, Event::Click, [&] { ++picClicks; });
    form->Control<gui::Image>("Pic", 3).SetPicture(gui::Picture(QPixmap(10, 10)));
    QTest::mouseClick(&form->Control<gui::Image>("Pic", 3), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(picClicks, 1);
    form->Unload();
}

TEST_F(FormTest, TimersTickWhileLoadedAndUnloadEndsEverything) {
    auto* form = new gui::Form(ProbeDesign());
    QPointer<gui::Form> alive(form);
    int ticks = 0;
    form->On("Timer1", Event::Timer, [&] { ++ticks; });
    form->Show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 2000));
    gui::Timer& timer = form->Control<gui::Timer>("Timer1");
    QSignalSpy unloaded(form, &gui::Form::Unloaded);
    form->Unload();
    EXPECT_EQ(unloaded.count(), 1);
    EXPECT_FALSE(timer.Enabled());
    EXPECT_FALSE(form->isVisible());
    const int before = ticks;
    QTest::qWait(60);
    EXPECT_EQ(ticks, before);
    EXPECT_TRUE(alive.isNull());  // waiting ran the deferred deletion

    // The close box unloads as well.
    auto* closed = new gui::Form(ProbeDesign());
    QSignalSpy closedSpy(closed, &gui::Form::Unloaded);
    closed->Show();
    closed->close();
    EXPECT_EQ(closedSpy.count(), 1);
}

TEST_F(FormTest, ModalShowingBlocksTheOtherWindowsUntilUnloaded) {
    auto* main = new gui::Form(ProbeDesign());
    int mainClicks = 0;
    main->On("Button1", Event::Click, [&] { ++mainClicks; });
    main->Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main));

    auto* modal = new gui::Form(ProbeDesign());
    QPointer<gui::Form> modalAlive(modal);
    bool sawModal = false;
    QTimer::singleShot(0, [&] {
        sawModal = QApplication::activeModalWidget() == modal;
        // Through the window system, where the modal window blocks it.
        QTest::mouseClick(main->windowHandle(), Qt::LeftButton, {}, QPoint(20, 20));
        modal->Unload();
    });
    modal->ShowModal();  // the real nested loop
    EXPECT_TRUE(sawModal);
    EXPECT_EQ(mainClicks, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(modalAlive.isNull());
    QTest::mouseClick(main->windowHandle(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(mainClicks, 1);

    // Through the test seam the runner gets the form shown and modal.
    bool ranModal = false;
    services->runModal = [&](gui::Form& form) {
        ranModal = form.isVisible() && form.windowModality() == Qt::ApplicationModal;
        form.Unload();
    };
    (new gui::Form(ProbeDesign()))->ShowModal();
    EXPECT_TRUE(ranModal);
    main->Unload();
}

}  // namespace
