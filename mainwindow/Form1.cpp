#include "mainwindow/Form1.h"

#include <QDir>
#include <QStandardPaths>

#include "about/About.h"
#include "about/BackColour.h"
#include "composer/GifCopy.h"
#include "composer/ScrapComposer.h"
#include "composer/ScrapGif.h"
#include "gui/Clipboard.h"
#include "gui/Dispatch.h"
#include "gui/Drag.h"
#include "gui/FileDialog.h"
#include "gui/Picture.h"
#include "preview/PreviewBrowser.h"
#include "version/Version.h"

using gui::ControlDesign;
using gui::ControlKind;
using gui::Font;
using gui::FormDesign;

namespace {

constexpr auto Label = ControlKind::Label;
constexpr auto TextBox = ControlKind::TextBox;
constexpr auto Option = ControlKind::OptionButton;
constexpr auto Button = ControlKind::CommandButton;
constexpr auto Image = ControlKind::Image;
constexpr auto Shape = ControlKind::Shape;
constexpr auto Transparent = gui::BackStyle::Transparent;

Font SansSerif(double points) {
    return Font{.name = "MS Sans Serif", .points = points};
}

// What a screen reader calls a slot: its place and the letter it shows.
QString SlotName(int index, QChar letter) {
    return QStringLiteral("Preview letter %1: %2").arg(index + 1).arg(letter);
}

// Where the GIF of a text is first offered to go: named after the text, in
// the Pictures folder, or home when there is none.
QString SuggestedGifPath(const QString& text) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
    return QDir(folder).filePath(ScrapGifName(text));
}

// The preview strip: 3 rows of 15 slots, front to back from slot 44 to 0.
std::vector<ControlDesign> Image3Slots() {
    std::vector<ControlDesign> strip;
    for (int i = SlotCount - 1; i >= 0; --i) {
        strip.push_back({.name = "Image3",
                         .kind = Image,
                         .index = i,
                         .left = 960 + 600 * (i % 15),
                         .top = 5040 + 1200 * (i / 15),
                         .width = 540,
                         .height = 1110});
    }
    return strip;
}

std::vector<ControlDesign> Join(std::vector<ControlDesign> front,
                                const std::vector<ControlDesign>& middle,
                                const std::vector<ControlDesign>& back) {
    front.insert(front.end(), middle.begin(), middle.end());
    front.insert(front.end(), back.begin(), back.end());
    return front;
}

FormDesign MakeDesign() {
    // clang-format off
    return FormDesign{
        .name = "Form1", .caption = "Ketro's Yarvo Dururive", .clientWidth = 11175, .clientHeight = 8850,
        .backColor = BackColour,
        .controls = Join({
            {.name = "Command5", .kind = Button,  .left = 9960, .top = 2280, .width = 975,   .height = 375,  .caption = "Preview", .tabIndex = 11, .graphical = true},
            {.name = "Command3", .kind = Button,  .left = 9840, .top = 4080, .width = 735,   .height = 375,  .caption = "Copy",    .tabIndex = 9,  .graphical = true},
            {.name = "Command2", .kind = Button,  .left = 8760, .top = 240,  .width = 975,   .height = 375,  .caption = "About",   .tabIndex = 8,  .graphical = true},
            {.name = "Text2",    .kind = TextBox, .left = 480,  .top = 3960, .width = 9015,  .height = 495,  .tabIndex = 7, .enabled = false},
            {.name = "Text1",    .kind = TextBox, .left = 6120, .top = 2280, .width = 3735,  .height = 375,  .tabIndex = 2, .maxLength = InputBoxLimit},
            {.name = "Option2",  .kind = Option,  .left = 6000, .top = 960,  .width = 375,   .height = 615,  .tabIndex = 1},
            {.name = "Option1",  .kind = Option,  .left = 3720, .top = 960,  .width = 375,   .height = 615,  .tabIndex = 0},
            {.name = "Shape3",   .kind = Shape,   .left = 120,  .top = 3360, .width = 10935, .height = 1215},
            {.name = "Label7",   .kind = Label,   .left = 960,  .top = 3480, .width = 8055,  .height = 375,  .caption = "Copy This text to yarvo.... (Happy Scrapping)", .font = SansSerif(13.5), .tabIndex = 13},
            {.name = "Shape2",   .kind = Shape,   .left = 120,  .top = 2160, .width = 10935, .height = 1095},
            {.name = "Shape1",   .kind = Shape,   .left = 480,  .top = 840,  .width = 6975,  .height = 855},
            {.name = "Label6",   .kind = Label,   .left = 2640, .top = 120,  .width = 6255,  .height = 495,  .caption = QString("Yarvo Dururive Ver") + ProjectVersion, .font = SansSerif(24), .backStyle = Transparent, .tabIndex = 12},
            {.name = "Label5",   .kind = Label,   .left = 720,  .top = 960,  .width = 2295,  .height = 615,  .caption = "Select Style", .font = SansSerif(18), .backStyle = Transparent, .tabIndex = 10},
            {.name = "Image1",   .kind = Image,   .left = 4200, .top = 1080, .width = 480,   .height = 420,  .picture = ":/assets/Image1.gif"},
        }, Image3Slots(), {
            {.name = "Label4",   .kind = Label,   .left = 480,  .top = 4680, .width = 3015,  .height = 375,  .caption = "Preview (Without Animation)", .tabIndex = 6},
            {.name = "Label3",   .kind = Label,   .left = 1680, .top = 2880, .width = 735,   .height = 375,  .caption = QString::number(InputBoxLimit), .tabIndex = 5},
            {.name = "Label2",   .kind = Label,   .left = 360,  .top = 2880, .width = 975,   .height = 375,  .caption = "Chars Left", .tabIndex = 4},
            {.name = "Label1",   .kind = Label,   .left = 480,  .top = 2280, .width = 5655,  .height = 615,  .caption = "Enter Text Here (Max 20 chars)", .font = SansSerif(18), .tabIndex = 3},
            {.name = "Image2",   .kind = Image,   .left = 6360, .top = 720,  .width = 540,   .height = 1110, .picture = ":/assets/Image2.gif"},
        }),
    };
    // clang-format on
}

}  // namespace

const FormDesign& Form1::Design() {
    static const FormDesign design = MakeDesign();
    return design;
}

Form1::Controls Form1::FindControls(const gui::Form& form) {
    Controls controls{
        .Text1 = form.Control<gui::TextBox>("Text1"),
        .Text2 = form.Control<gui::TextBox>("Text2"),
        .Option1 = form.Control<gui::OptionButton>("Option1"),
        .Option2 = form.Control<gui::OptionButton>("Option2"),
        .Label3 = form.Control<gui::Label>("Label3"),
        .Image3 = {},
    };
    for (int i = 0; i < SlotCount; ++i) controls.Image3[i] = &form.Control<gui::Image>("Image3", i);
    return controls;
}

Form1::Form1(QWidget* parent) : gui::Form(Design(), parent), ui_(FindControls(*this)) {
    On("Text1", gui::Event::Change, [this] { Text1_Change(); });
    On("Option1", gui::Event::Click, [this] { Option1_Click(); });
    On("Option2", gui::Event::Click, [this] { Option2_Click(); });
    On("Image1", gui::Event::Click, [this] { Image1_Click(); });
    On("Image2", gui::Event::Click, [this] { Image2_Click(); });
    On("Command2", gui::Event::Click, [this] { Command2_Click(); });
    On("Command3", gui::Event::Click, [this] { Command3_Click(); });
    On("Command5", gui::Event::Click, [this] { Command5_Click(); });
    for (int i = 0; i < SlotCount; ++i)
        On("Image3", i, gui::Event::OLEStartDrag, [this, i] { Image3_OLEStartDrag(i); });
    AddMenuCommand("mnuSaveGif", "Save as Animated GIF...", QKeySequence::Save);
    On("mnuSaveGif", gui::Event::Click, [this] { mnuSaveGif_Click(); });
    AddMenuCommand("mnuCopyGif", "Copy as Animated GIF",
                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    On("mnuCopyGif", gui::Event::Click, [this] { mnuCopyGif_Click(); });
    EnableGifCommands();
    DescribeControls();
    gui::Dispatch("Form_Load", [this] { Form_Load(); });
}

void Form1::DescribeControls() {
    Describe("Option1", -1, "Style 1", "Small glitter letters, as in the picture beside it");
    Describe("Option2", -1, "Style 2", "Large glitter letters, as in the picture beside it");
    Describe("Image1", -1, "Style 1 sample", "Click to select style 1");
    Describe("Image2", -1, "Style 2 sample", "Click to select style 2");
    Describe("Text1", -1, "Enter Text Here (Max 20 chars)",
             "Each letter becomes a glitter picture");
    Describe("Text2", -1, "Scrap", "The HTML to paste into a scrap; Copy puts it on the clipboard");
    Describe("Command2", -1, "About", "Shows who made this program");
    Describe("Command3", -1, "Copy", "Copies the scrap to the clipboard");
    Describe("Command5", -1, "Preview",
             "Opens the scrap in a browser window, where the letters move");
}

QString Form1::InputText() const {
    return ui_.Text1.Text();
}

bool Form1::Style1Selected() const {
    return ui_.Option1.Value();
}

bool Form1::Style2Selected() const {
    return ui_.Option2.Value();
}

void Form1::SetCounter(const QString& text) {
    ui_.Label3.SetCaption(text);
}

gui::Image& Form1::Slot(int index) const {
    return *ui_.Image3.at(index);
}

// An empty slot is left out of what a screen reader finds.
void Form1::ClearSlot(int index) {
    Slot(index).SetPicture(gui::Picture());
}

void Form1::ShowSlotPicture(int index, const QString& path, QChar letter) {
    gui::Image& slot = Slot(index);
    slot.SetPicture(gui::LoadPicture(path));  // a failed load leaves the slot as it was
    Describe(slot, SlotName(index, letter), QStringLiteral("The letter %1").arg(letter));
}

void Form1::SetOutput(const QString& text) {
    ui_.Text2.SetText(text);
}

QString Form1::Output() const {
    return ui_.Text2.Text();
}

void Form1::Form_Load() {}

void Form1::Text1_Change() {
    EnableGifCommands();
    RecomposeScrap(*this);
}

void Form1::Option1_Click() {
    EnableGifCommands();
    RecomposeScrap(*this);
}

void Form1::Option2_Click() {
    EnableGifCommands();
    RecomposeScrap(*this);
}

// A click on a sample picture selects its style; setting the value raises the
// button's Click, which composes. Nothing happens when it is already selected.
void Form1::Image1_Click() {
    if (ui_.Option1.Value()) return;
    ui_.Option1.SetValue(true);
}

void Form1::Image2_Click() {
    if (ui_.Option2.Value()) return;
    ui_.Option2.SetValue(true);
}

void Form1::Command2_Click() {
    About::ShowAbout();
}

void Form1::Command3_Click() {
    gui::Clipboard::Clear();
    const QString scrap = ui_.Text2.Text();
    gui::Clipboard::SetText(scrap);
}

void Form1::Command5_Click() {
    OpenPreviewBrowser(300, 100, 400, 400);
}

// The GIF needs a letter to draw; each command says so while there is none.
void Form1::EnableGifCommands() {
    const bool letter = ScrapHasLetter(InputText(), SelectedStyle(*this));
    EnableMenuCommand("mnuSaveGif", letter,
                      "There is no letter to save: type a letter from a to z first");
    EnableMenuCommand("mnuCopyGif", letter,
                      "There is no letter to copy: type a letter from a to z first");
}

void Form1::mnuSaveGif_Click() {
    const QString text = InputText();
    const int style = SelectedStyle(*this);
    if (!ScrapHasLetter(text, style)) return;
    const QString file = gui::AskSaveFileName(this, "Save as Animated GIF", SuggestedGifPath(text),
                                              "GIF pictures (*.gif)", "gif");
    if (!file.isEmpty()) SaveScrapGif(file, text, style);
}

// The GIF goes on the clipboard both as a picture and as a file, since most
// programs keep the animation only of a pasted file.
void Form1::mnuCopyGif_Click() {
    const QString text = InputText();
    const int style = SelectedStyle(*this);
    if (!ScrapHasLetter(text, style)) return;
    const GifCopy copy = WriteGifCopy(text, style);
    gui::Clipboard::SetPictureFile(copy.file, copy.bytes, QStringLiteral("image/gif"));
}

// Dragging a letter of the strip carries the whole text's GIF, written
// before the drag begins.
void Form1::Image3_OLEStartDrag(int index) {
    const QString text = InputText();
    const int style = SelectedStyle(*this);
    if (!ScrapHasLetter(text, style)) return;
    gui::DragFile(Slot(index), WriteGifCopy(text, style).file);
}
