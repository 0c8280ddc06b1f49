#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <functional>

#include "Lettering.h"
#include "about/About.h"
#include "gui/Controls.h"
#include "gui/Services.h"
#include "urls/Urls.h"

namespace {

const QColor kGreen(0, 255, 0);

gui::Label& LabelOf(const About& about, const char* name) {
    return about.Control<gui::Label>(QString::fromLatin1(name));
}

QColor Label4Colour(const About& about) {
    return LabelOf(about, "Label4").ForeColor();
}

void Tick(About& about) {
    emit about.Control<gui::Timer>(QStringLiteral("Timer1")).Tick();
}

void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class AboutTest : public ::testing::Test {
protected:
    void SetUp() override {
        services->reportFailure = [this](const QString& handler, const QString& message) {
            errors_ << handler + ": " + message;
        };
    }
    void TearDown() override {
        EXPECT_TRUE(errors_.isEmpty()) << errors_.join('\n').toStdString();
        FlushDeletes();
    }
    QStringList errors_;
    gui::ScopedServices services;
};

struct Placed {
    const char* name;
    int left, top, width, height;
};

TEST_F(AboutTest, WindowAndControlsAreAsDesigned) {
    About about;
    about.Show();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About "));
    EXPECT_EQ(about.size(), TwipsRect(0, 0, 5145, 4890).size());
    EXPECT_EQ(about.minimumSize(), about.maximumSize()) << "fixed border";
    const Qt::WindowFlags flags = about.windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(about.windowType() == Qt::Dialog || about.windowType() == Qt::Tool);
    if (flags & Qt::CustomizeWindowHint) {
        EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    }
    EXPECT_EQ(about.palette().color(QPalette::Window), QColor(255, 192, 128));

    const Placed places[] = {
        {"Command1", 1920, 4080, 975, 495}, {"Frame1", 120, 1920, 4815, 1455},
        {"Label10", 120, 200, 4335, 255},   {"Label1", 240, 110, 3975, 495},
        {"Label2", 240, 720, 3375, 375},    {"Label3", 240, 1440, 2655, 375},
        {"Label4", 3500, 1420, 1575, 375},  {"Label5", 1320, 3600, 3135, 375},
        {"Label6", 240, 120, 3255, 495},    {"Label7", 3480, 1440, 1575, 375},
    };
    for (const Placed& p : places) {
        auto* widget = qobject_cast<QWidget*>(about.FindControl(QString::fromLatin1(p.name)));
        ASSERT_NE(widget, nullptr) << p.name;
        EXPECT_EQ(widget->geometry(), TwipsRect(p.left, p.top, p.width, p.height)) << p.name;
    }

    auto& frame = about.Control<gui::Frame>(QStringLiteral("Frame1"));
    EXPECT_EQ(LabelOf(about, "Label10").parentWidget(), &frame);
    EXPECT_EQ(LabelOf(about, "Label9").parentWidget(), &frame);
    EXPECT_TRUE(
        frame.geometry().contains(LabelOf(about, "Label9").geometry().translated(frame.pos())));
    EXPECT_FALSE(LabelOf(about, "Label9").Caption().isEmpty());

    const std::pair<const char*, QString> captions[] = {
        {"Label10", "  WARNING..."},
        {"Label1", "Ketro's Yarvo Dururive"},
        {"Label2", "Version 1.0.0"},
        {"Label3", "Designed and Developed by:"},
        {"Label4", "Ketro Vos"},
        {"Label5", QString::fromLatin1(AuthorPageUrl)},
        {"Label6", "Ketro's Yarvo Dururive"},
        {"Label7", "Ketro Vos"},
    };
    for (const auto& [name, caption] : captions)
        EXPECT_EQ(LabelOf(about, name).Caption(), caption) << name;
    EXPECT_EQ(about.Control<gui::CommandButton>(QStringLiteral("Command1")).text(), "OK");

    const std::pair<const char*, QColor> colours[] = {
        {"Label10", QColor(192, 192, 192)},
        {"Label9", QColor(192, 192, 192)},
        {"Label1", QColor(192, 64, 0)},
        {"Label2", QColor(0, 0, 0)},
        {"Label3", gui::Colour::System(7).ToQColor()},
        {"Label4", kGreen},
        {"Label5", QColor(0, 0, 255)},
        {"Label6", QColor(255, 255, 0)},
        {"Label7", QColor(255, 255, 255)},
    };
    for (const auto& [name, colour] : colours)
        EXPECT_EQ(LabelOf(about, name).ForeColor(), colour) << name;
}

TEST_F(AboutTest, FontsPointerAndFocus) {
    About about;
    about.Show();
    QCoreApplication::processEvents();
    const QFont title = LabelOf(about, "Label1").font();
    EXPECT_TRUE(title.bold());
    EXPECT_DOUBLE_EQ(title.pointSizeF(), 12.0);
    const QFont name = LabelOf(about, "Label4").font();
    EXPECT_TRUE(name.bold());
    EXPECT_DOUBLE_EQ(name.pointSizeF(), 9.75);
    EXPECT_EQ(LabelOf(about, "Label7").font(), name);
    const QFont address = LabelOf(about, "Label5").font();
    EXPECT_TRUE(address.underline());
    EXPECT_FALSE(address.bold());
    EXPECT_FALSE(LabelOf(about, "Label3").font().bold());
    EXPECT_FALSE(LabelOf(about, "Label3").font().underline());
    EXPECT_EQ(LabelOf(about, "Label2").font(), about.font());

    EXPECT_EQ(LabelOf(about, "Label5").cursor().shape(), Qt::CrossCursor);
    EXPECT_NE(LabelOf(about, "Label4").cursor().shape(), Qt::CrossCursor);

    // OK has the first focus; besides it only the link takes the focus, by Tab.
    auto& ok = about.Control<gui::CommandButton>(QStringLiteral("Command1"));
    auto& link = LabelOf(about, "Label5");
    EXPECT_EQ(about.focusWidget(), &ok);
    for (QWidget* child : about.findChildren<QWidget*>())
        if (child != &ok && child != &link) {
            EXPECT_EQ(child->focusPolicy(), Qt::NoFocus) << child->objectName().toStdString();
        }
    EXPECT_EQ(link.focusPolicy(), Qt::TabFocus) << "a click opens the page, it does not focus";
}

TEST_F(AboutTest, PaintsTheDarkFrameAndTheTwoToneLettering) {
    About about;
    about.Show();
    const QImage client = about.grab().toImage();
    ASSERT_EQ(client.size(), about.size());
    EXPECT_EQ(client.pixel(3, 3) & 0xffffff, qRgb(255, 192, 128) & 0xffffff);
    const QRect frame = TwipsRect(120, 1920, 4815, 1455);
    EXPECT_EQ(client.pixel(frame.topLeft() + QPoint(3, 3)) & 0xffffff, qRgb(64, 64, 64) & 0xffffff);
    EXPECT_EQ(client.pixel(frame.bottomRight() - QPoint(3, 3)) & 0xffffff,
              qRgb(64, 64, 64) & 0xffffff);
    EXPECT_GT(CountLight(client, frame), 200) << "the warning text";
    ExpectTwoToneTitle(client);
    // The author's name: the green front copy over its white one.
    const QRect author = TwipsRect(3480, 1420, 1595, 395);
    EXPECT_GT(CountColour(client, author, qRgb(0, 255, 0)), 30);
    EXPECT_GT(CountColour(client, author, qRgb(255, 255, 255)), 5);
}

TEST_F(AboutTest, TimerFirstTicksAfter200msAndKeepsTicking) {
    About about;
    const auto& timer = about.Control<gui::Timer>(QStringLiteral("Timer1"));
    EXPECT_EQ(timer.Interval(), 200);
    EXPECT_TRUE(timer.Enabled());
    QElapsedTimer clock;
    clock.start();
    about.Show();
    QCoreApplication::processEvents();
    EXPECT_EQ(Label4Colour(about), kGreen);
    QColor previous = kGreen;
    int changes = 0;
    EXPECT_TRUE(QTest::qWaitFor([&] { return Label4Colour(about) != kGreen; }, 3000));
    EXPECT_GE(clock.elapsed(), 180) << "the first tick comes 200 ms after loading";
    for (int i = 0; i < 4; ++i) {
        if (QTest::qWaitFor([&] { return Label4Colour(about) != previous; }, 3000)) ++changes;
        previous = Label4Colour(about);
    }
    EXPECT_GE(changes, 3);
}

TEST_F(AboutTest, ColourChannelsSpanTheRangeAndNeverReach255) {
    About about;
    int low = 255, high = 0;
    for (int i = 0; i < 3000; ++i) {
        Tick(about);
        const QColor c = Label4Colour(about);
        for (int channel : {c.red(), c.green(), c.blue()}) {
            ASSERT_LE(channel, 254);
            low = std::min(low, channel);
            high = std::max(high, channel);
        }
    }
    EXPECT_LE(low, 2);
    EXPECT_GE(high, 252);
}

QStringList ProbeLines(const QStringList& arguments) {
    QProcess probe;
    probe.start(QStringLiteral(ABOUT_COLOUR_PROBE), arguments);
    EXPECT_TRUE(probe.waitForFinished(30000));
    EXPECT_EQ(probe.exitCode(), 0) << probe.readAllStandardError().toStdString();
    return QString::fromLatin1(probe.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

TEST_F(AboutTest, ColourSequenceRepeatsInFreshProcessesAndContinuesAcrossShowings) {
    const QStringList first = ProbeLines({"showings", "5"});
    const QStringList second = ProbeLines({"showings", "5"});
    ASSERT_EQ(first.size(), 10);
    EXPECT_EQ(first, second) << "two runs show the same colours";
    // Red, green and blue drawn in that order, one draw each, and the second
    // showing going on where the first stopped.
    EXPECT_EQ(first, ProbeLines({"draws", "5"}));
    EXPECT_NE(first.mid(0, 5), first.mid(5, 5));
}

TEST_F(AboutTest, EachClickOrKeyOnTheAddressOpensThePageOnce) {
    QStringList requests;
    services->openAddress = [&](const QString& operation, const QString& address) {
        requests << operation + " " + address;
    };
    About about;
    about.Show();
    auto& address = LabelOf(about, "Label5");
    QTest::mouseClick(&LabelOf(about, "Label4"), Qt::LeftButton);
    EXPECT_TRUE(requests.isEmpty());
    QTest::mouseClick(&address, Qt::LeftButton);
    const QString expected = QStringLiteral("open ") + QString::fromLatin1(AuthorPageUrl);
    EXPECT_EQ(requests, QStringList{expected});
    for (int i = 0; i < 2; ++i) {
        QTest::qWait(QApplication::doubleClickInterval() + 50);
        QTest::mouseClick(&address, Qt::LeftButton);
    }
    EXPECT_EQ(requests, QStringList(3, expected));
    QTest::keyClick(&address, Qt::Key_Return);
    QTest::keyClick(&address, Qt::Key_Space);
    EXPECT_EQ(requests, QStringList(5, expected)) << "Return and Space open it as a click does";
    EXPECT_TRUE(about.isVisible());
    EXPECT_EQ(address.Caption(), QString::fromLatin1(AuthorPageUrl));
}

TEST_F(AboutTest, EscOkAndCloseBoxEachUnloadAndTheNextShowingStartsAfresh) {
    const std::pair<const char*, std::function<void(About&)>> closers[] = {
        {"Esc",
         [](About& about) {
             about.activateWindow();
             EXPECT_TRUE(QTest::qWaitForWindowActive(&about));
             QTest::keyClick(&about.Control<gui::CommandButton>(QStringLiteral("Command1")),
                             Qt::Key_Escape);
         }},
        {"OK",
         [](About& about) {
             QTest::mouseClick(&about.Control<gui::CommandButton>(QStringLiteral("Command1")),
                               Qt::LeftButton);
         }},
        {"close box", [](About& about) { about.close(); }},
    };
    for (const auto& [way, close] : closers) {
        SCOPED_TRACE(way);
        QPointer<About> shown;
        QPointer<gui::Timer> timer;
        int runs = 0;
        services->runModal = [&](gui::Form& form) {
            ++runs;
            auto* about = qobject_cast<About*>(&form);
            ASSERT_NE(about, nullptr);
            EXPECT_TRUE(about->isVisible());
            // Each showing starts in the design state, whatever the last did.
            EXPECT_EQ(Label4Colour(*about), kGreen);
            EXPECT_EQ(about->windowTitle(), QStringLiteral("About "));
            EXPECT_EQ(LabelOf(*about, "Label1").Caption(),
                      QStringLiteral("Ketro's Yarvo Dururive"));
            shown = about;
            timer = &about->Control<gui::Timer>(QStringLiteral("Timer1"));
            Tick(*about);
            LabelOf(*about, "Label1").SetCaption(QStringLiteral("changed"));
            QSignalSpy unloaded(about, &gui::Form::Unloaded);
            close(*about);
            EXPECT_EQ(unloaded.count(), 1);
        };
        About::ShowAbout();
        FlushDeletes();
        EXPECT_EQ(runs, 1);
        EXPECT_TRUE(shown.isNull()) << "closing destroys the window";
        EXPECT_TRUE(timer.isNull()) << "and its timer";
    }
}

}  // namespace
