#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QSet>
#include <QWidget>

#include "gui/Dispatch.h"
#include "gui/Form.h"
#include "gui/Services.h"

// Records the failures that reach the dispatch point and checks that no
// top-level window outlives the test.
class GuiFixture : public testing::Test {
protected:
    void SetUp() override {
        before_ = Windows();
        services->reportFailure = [this](const QString& handler, const QString& message) {
            reports.append({handler, message});
        };
    }

    void TearDown() override {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const QSet<QWidget*> left = Windows() - before_;
        EXPECT_TRUE(left.isEmpty()) << left.size() << " window(s) left open";
        for (QWidget* widget : left) delete widget;
    }

    static QSet<QWidget*> Windows() {
        const QWidgetList list = QApplication::topLevelWidgets();
        return QSet<QWidget*>(list.begin(), list.end());
    }

    // The control of that name (and index) in the fixture's form.
    template <class T>
    T& C(const QString& name, int index = -1) {
        return FormUnderTest()->Control<T>(name, index);
    }
    virtual gui::Form* FormUnderTest() { return nullptr; }

    struct Report {
        QString handler;
        QString message;
    };
    QList<Report> reports;
    gui::ScopedServices services;  // the desktop's own again after each test

private:
    QSet<QWidget*> before_;
};
