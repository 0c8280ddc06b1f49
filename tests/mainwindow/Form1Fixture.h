#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "composer/ScrapComposer.h"
#include "gui/core/AppDir.h"
#include "gui/core/RuntimeError.h"
#include "mainwindow/Form1.h"
#include "tests/gui/GuiFixture.h"

// Runs each test in a working directory of its own (scrap.htm is written
// there), with the glyph pictures of the program folder.
class Form1Fixture : public GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        ASSERT_TRUE(work.isValid());
        previousDir = QDir::currentPath();
        QDir::setCurrent(work.path());
    }

    void TearDown() override {
        if (form) form->Unload();
        QDir::setCurrent(previousDir);
        GuiFixture::TearDown();
    }

    void Start() {
        form = new Form1;
        form->Show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form));
    }

    gui::Form* FormUnderTest() override { return form; }

    QByteArray ScrapFile() const {
        QFile file(work.filePath("scrap.htm"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }

    static QByteArray Line(const QString& scrap) { return scrap.toLatin1() + "\r\n"; }

    static QImage Glyph(int style, QChar letter) {
        return gui::LoadPicture(QStringLiteral(PROGRAM_DIR "/%1/%2.gif").arg(style).arg(letter))
            .Pixmap()
            .toImage();
    }

    QImage SlotImage(int index) {
        return C<gui::Image>("Image3", index).GetPicture().Pixmap().toImage();
    }

    QTemporaryDir work;
    runtime::ScopedAppDir appDir{PROGRAM_DIR};
    QString previousDir;
    QPointer<Form1> form;
};
