// After a command that ran a dialog, the focus is where the character layer
// put it back, also when the window manager activates the main window only
// after the command has ended. Checked the way a user notices it: a digit
// typed right afterwards lands in the size field the command key was typed
// in, and in neither field when the command came from the tool bar.

#include <QCheckBox>
#include <QFileInfo>
#include <QScrollArea>
#include <QToolButton>

#include "tests/support/picture_builders.h"
#include "tests/window_managers/window_fixture.h"

namespace {

enum class Field { Edit1, Edit2, View };

struct FocusCase {
    const char* name;
    const char* keys;      // typed in the main window, keysym names
    bool clickSaveButton;  // the save command from the tool bar instead
    int pictureSide;       // the loaded picture is a square of this side
    // The dialogs the command brings up, with their answers, in order.
    std::function<std::vector<DialogScript::Step>(const TempDir&)> dialogs;
    Field focusAfter;
    const char* fileMade = nullptr;  // a file the command must have written
};

std::string damagedFile(const TempDir& dir) {
    const std::string path = dir.file("damaged.bmp");
    WriteBytes(path, {'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8, 9});
    return path;
}

std::string pictureFile(const TempDir& dir, const std::string& name, int side) {
    const std::string path = dir.file(name);
    MakePicture24(side, side, [](int x, int y) {
        return (x * 5) ^ (y * 3) ^ 0x406080;
    }).SaveToFile(path);
    return path;
}

const FocusCase kCases[] = {
    {"SaveDialogCancelled", "v s", false, 64,
     [](const TempDir&) { return std::vector{CancelFileDialog()}; }, Field::Edit2},
    {"SaveDialogConfirmed", "v s", false, 64,
     [](const TempDir& dir) { return std::vector{ChooseFile(dir.file("saved.png"))}; },
     Field::Edit2, "saved.png"},
    {"OpenDialogCancelled", "h o", false, 64,
     [](const TempDir&) { return std::vector{CancelFileDialog()}; }, Field::Edit1},
    {"OpenDialogConfirmed", "h o", false, 64,
     [](const TempDir& dir) { return std::vector{ChooseFile(pictureFile(dir, "other.bmp", 40))}; },
     Field::Edit1},
    {"RefusedFileMessage", "v o", false, 64,
     [](const TempDir& dir) {
         return std::vector{ChooseFile(damagedFile(dir)), PressEnterOnMessage()};
     },
     Field::Edit2},
    {"ScaleWarningMessage", "v 0 Return", false, 64,
     [](const TempDir&) { return std::vector{PressEnterOnMessage()}; }, Field::Edit2},
    {"ProgressWindow", "v Return", false, 2500,
     [](const TempDir&) { return std::vector<DialogScript::Step>{}; }, Field::Edit2},
    // The tool bar's command ends with the view focused, the activation's
    // own step included.
    {"SaveButtonCancelled", "v", true, 64,
     [](const TempDir&) { return std::vector{CancelFileDialog()}; }, Field::View},
    // "M" does not give the focus back: after each of the batch run's
    // dialogs it is where the main window's activation puts it.
    {"BatchSettingsCancelled", "v m", false, 64,
     [](const TempDir&) { return std::vector{CancelAnyDialog()}; }, Field::View},
    {"BatchOpenDialogCancelled", "v m", false, 64,
     [](const TempDir&) {
         return std::vector{PressEnterOnMessage(), CancelFileDialog()};
     },
     Field::View},
    {"BatchDestinationCancelled", "v m", false, 64,
     [](const TempDir& dir) {
         return std::vector{PressEnterOnMessage(), ChooseFile(pictureFile(dir, "one.bmp", 30)),
                            CancelAnyDialog()};
     },
     Field::View},
};

void PrintTo(const FocusCase& c, std::ostream* out) {
    *out << c.name;
}

// Each case under each window manager.
using FocusParam = std::tuple<const char*, FocusCase>;

class FocusAfterDialogs : public DesktopWindowTest,
                          public ::testing::WithParamInterface<FocusParam> {};

TEST_P(FocusAfterDialogs, TypedDigitLandsWhereTheFocusWasGivenBack) {
    const FocusCase& c = std::get<1>(GetParam());
    START_WINDOWS(std::get<0>(GetParam()));
    ASSERT_TRUE(form().OpenPictureFile(
        QString::fromStdString(pictureFile(temp_, "start.bmp", c.pictureSide))));
    // Each field on its own, so a digit shows in the field it was typed in only.
    form().CheckBox1->setChecked(false);
    ASSERT_TRUE(WaitUntil([this] { return HasKeyboard(&form()); }, 5000));

    DialogScript script(c.dialogs(temp_));
    Type(c.keys);
    if (c.clickSaveButton) {
        const QPoint centre = form().ToolButton2->mapToGlobal(form().ToolButton2->rect().center());
        xtest::Click(centre.x(), centre.y());
    }
    ASSERT_TRUE(WaitUntil([&] { return script.Finished() && HasKeyboard(&form()); }, 20000))
        << (script.Failure().empty() ? std::string("the main window did not get the keyboard back")
                                     : script.Failure());
    EXPECT_EQ(script.Failure(), "");
    // Each dialog handed the activation back to the main window before the
    // command went on.
    for (QWidget* active : script.ActiveWhenDone()) EXPECT_EQ(active, &form());
    if (c.fileMade) {
        EXPECT_TRUE(QFileInfo(QString::fromStdString(temp_.file(c.fileMade))).isFile())
            << c.fileMade;
    }
    // Whatever the window manager still does about the activation is done.
    ASSERT_TRUE(SettleDesktop()) << "the window manager did not answer";

    const QString edit1 = form().Edit1->text(), edit2 = form().Edit2->text();
    Type("6");
    switch (c.focusAfter) {
        case Field::Edit1:
            EXPECT_EQ(form().Edit1->text().toStdString(), "6");
            EXPECT_EQ(form().Edit2->text(), edit2);
            break;
        case Field::Edit2:
            EXPECT_EQ(form().Edit2->text().toStdString(), "6");
            EXPECT_EQ(form().Edit1->text(), edit1);
            break;
        case Field::View:
            EXPECT_EQ(form().focusWidget(), form().ScrollBox1);
            EXPECT_EQ(form().Edit1->text(), edit1);
            EXPECT_EQ(form().Edit2->text(), edit2);
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, FocusAfterDialogs,
                         ::testing::Combine(::testing::Values("openbox", "icewm"),
                                            ::testing::ValuesIn(kCases)),
                         [](const ::testing::TestParamInfo<FocusParam>& info) {
                             return std::string(std::get<0>(info.param)) + "_" +
                                    std::get<1>(info.param).name;
                         });

}  // namespace
