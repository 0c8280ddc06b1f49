#pragma once

#include "gui/Controls.h"
#include "gui/Form.h"

// The About window: title, version, author, legal warning, and the author's
// page. It is built afresh from its design every time it is created.
class About : public gui::Form {
    Q_OBJECT
public:
    explicit About(QWidget* parent = nullptr);

    // The window as designed: controls front to back, places in twips.
    static gui::FormDesign DesignTable();

    // Creates the window, shows it modally with no owner and returns once
    // it has been unloaded (OK, Esc or the close box).
    static void ShowAbout();

private:
    void Form_Load();
    void Timer1_Timer();
    void Label5_Click();
    void Command1_Click();

    gui::Label& label4_;  // the name in changing colours
};
