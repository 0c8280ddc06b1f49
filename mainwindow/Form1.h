#pragma once

#include <array>

#include "composer/ScrapComposer.h"
#include "composer/ScrapView.h"
#include "gui/Controls.h"
#include "gui/Form.h"

// The main window: the input box, the style choice, the preview strip of 45
// slots, the scrap and the three command buttons. It gives the composer its
// view over these controls.
class Form1 : public gui::Form, public ScrapView {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);

    // The window as designed, front to back, in twips.
    static const gui::FormDesign& Design();

    // ScrapView
    QString InputText() const override;
    bool Style1Selected() const override;
    bool Style2Selected() const override;
    void SetCounter(const QString& text) override;
    void ClearSlot(int index) override;
    void ShowSlotPicture(int index, const QString& path, QChar letter) override;
    void SetOutput(const QString& text) override;
    QString Output() const override;

private:
    // The controls the window works with, found once in its design.
    struct Controls {
        gui::TextBox& Text1;
        gui::TextBox& Text2;
        gui::OptionButton& Option1;
        gui::OptionButton& Option2;
        gui::Label& Label3;
        std::array<gui::Image*, SlotCount> Image3;
    };
    static Controls FindControls(const gui::Form& form);

    gui::Image& Slot(int index) const;
    void DescribeControls();

    void Form_Load();
    void Text1_Change();
    void Option1_Click();
    void Option2_Click();
    void Image1_Click();
    void Image2_Click();
    void Command2_Click();
    void Command3_Click();
    void Command5_Click();
    void Image3_OLEStartDrag(int index);
    void mnuSaveGif_Click();
    void mnuCopyGif_Click();
    void EnableGifCommands();

    const Controls ui_;
};
