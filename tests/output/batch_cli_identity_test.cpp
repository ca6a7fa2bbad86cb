// One engine: the window's batch run and skalomi-cli write the same bytes
// for the same pictures, settings and type. The window's settings are set
// through its controls; the command-line tool is the built binary.

#include <QCheckBox>
#include <QLineEdit>
#include <QToolButton>
#include <filesystem>

#include "app/window_kit/speed_button.h"
#include "app/window_kit/track_bar.h"
#include "output/escape_wait.h"
#include "picture/picture_saver.h"
#include "tests/output/batch_fixture.h"
#include "tests/support/picture_builders.h"

namespace fs = std::filesystem;

namespace {

struct IdentityCase {
    const char* name;
    std::function<void(TForm1&)> settings;  // through the controls
    int type;                               // the dialog's type list
    const char* extension;
    const char* cliOptions;
};

void PrintTo(const IdentityCase& c, std::ostream* out) {
    *out << c.name;
}

class WindowAndCommandLine : public BatchTest,
                             public ::testing::WithParamInterface<IdentityCase> {};

TEST_P(WindowAndCommandLine, WriteTheSameBytes) {
#ifndef SKALOMI_CLI_PATH
    GTEST_SKIP() << "skalomi-cli is not built";
#else
    const IdentityCase& c = GetParam();
    // Pictures of every kind the readers meet: true colour, a palette, a
    // PNG and JPEGs (whose decoder has its own rounding). The window's run
    // streams a file where it can and keeps the last one's pictures whole,
    // so a JPEG comes first and last.
    const TDIB pattern = MakePicture24(57, 41, [](int x, int y) {
        return ((x * 9 + y * 3) & 0xFF) | (((y * 7) & 0xFF) << 8) | (((x * y) & 0xFF) << 16);
    });
    std::vector<std::string> inputs;
    for (const char* name : {"photo.jpg", "true.bmp", "palette.gif", "plain.png", "last.jpg"}) {
        inputs.push_back(temp_.file(name));
        SavePictureToFile(pattern, inputs.back());
    }
    const std::string windowOut = temp_.file("window"), cliOut = temp_.file("cli");
    fs::create_directory(windowOut);
    fs::create_directory(cliOut);

    c.settings(form());
    RunBatch(inputs, Choose(windowOut, QStringLiteral("_ks"), c.type));
    ASSERT_EQ(Form4LeftOpen, 0);

    std::string command =
        ShellQuote(SKALOMI_CLI_PATH) + " -q -j 1 -d " + ShellQuote(cliOut) + " " + c.cliOptions;
    for (const std::string& input : inputs) command += " " + ShellQuote(input);
    const CommandResult cli = RunCommand(command);
    ASSERT_EQ(cli.status, 0) << cli.output;

    for (const std::string& input : inputs) {
        const std::string name = fs::path(input).stem().string() + "_ks" + c.extension;
        const std::vector<std::uint8_t> fromWindow = BytesOrNothing(windowOut + "/" + name);
        ASSERT_FALSE(fromWindow.empty()) << name;
        EXPECT_TRUE(fromWindow == BytesOrNothing(cliOut + "/" + name)) << name;
    }
#endif
}

void clicks(QAbstractButton* button, int times) {
    for (int i = 0; i < times; ++i) button->click();
}

INSTANTIATE_TEST_SUITE_P(
    Batch, WindowAndCommandLine,
    ::testing::Values(IdentityCase{"PercentToneAndRightTurnAsBitmap",
                                   [](TForm1& f) {
                                       f.CheckBox1->click();  // unlocked: the fields differ
                                       f.Edit1->setText(QStringLiteral("37"));
                                       f.Edit2->setText(QStringLiteral("140"));
                                       f.TrackBar1->setValue(6);
                                       f.TrackBar2->setValue(8);
                                       clicks(f.ToolButton22, 1);
                                   },
                                   0, ".bmp", "-t bmp -p 37,140 -c 6 -b -2 -r right"},
                      IdentityCase{"PixelFrameLockedAsJpeg",
                                   [](TForm1& f) {
                                       f.SpeedButton1->click();
                                       f.Edit1->setText(QStringLiteral("40"));
                                       f.Edit2->setText(QStringLiteral("30"));
                                   },
                                   1, ".jpg", "-t jpg -x 40,30"},
                      IdentityCase{"ExactFrameHalfTurnBrighterAsGif",
                                   [](TForm1& f) {
                                       f.SpeedButton1->click();
                                       f.CheckBox1->click();
                                       f.Edit1->setText(QStringLiteral("33"));
                                       f.Edit2->setText(QStringLiteral("21"));
                                       f.TrackBar2->setValue(13);
                                       clicks(f.ToolButton22, 2);
                                   },
                                   2, ".gif", "-t gif -x 33,21 --no-lock -r 180 -b 3"},
                      IdentityCase{"EnlargedLeftTurnFullContrastAsPng",
                                   [](TForm1& f) {
                                       f.Edit1->setText(QStringLiteral("150"));
                                       f.TrackBar1->setValue(20);
                                       clicks(f.ToolButton22, 3);
                                   },
                                   3, ".png", "-t png -p 150 -r left -c 20"}),
    NameOfParam());

// A platform whose Esc comes up after a few looks, or never.
class EscapeAnswers : public ScriptedPlatform {
public:
    int heldFor = 0;
    bool IsEscapeHeld() override {
        return ScriptedPlatform::IsEscapeHeld() && EscapePolls <= heldFor;
    }
};

TEST(EscapeRelease, WaitsForTheKeyAndGivesUpOnlyAtTheLimit) {
    EscapeAnswers platform;
    platform.EscapeHeld = true;
    platform.heldFor = 3;
    EXPECT_TRUE(WaitForEscapeRelease(platform, std::chrono::seconds(10)));
    EXPECT_EQ(platform.EscapePolls, 4);

    EscapeAnswers stuck;
    stuck.EscapeHeld = true;
    stuck.heldFor = 1 << 30;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(WaitForEscapeRelease(stuck, std::chrono::milliseconds(60)));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));
    EXPECT_GT(stuck.EscapePolls, 1);
}

}  // namespace
