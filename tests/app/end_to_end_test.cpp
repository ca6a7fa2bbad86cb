// The whole interactive job through the widgets and keys only: open, drag a
// selection, set the size, the contrast and the rotation, scale, save as
// PNG; the written file holds exactly what the engine makes of the same input.

#include <QSlider>

#include "app/window_kit/image_view.h"
#include "picture/picture_loader.h"
#include "picture/png/png_picture.h"
#include "scale/scale_run.h"
#include "tests/app/window_fixture.h"

TEST_F(WindowTest, OpenSelectSizeContrastRotateScaleAndSaveFromTheKeyboard) {
    const std::string input = WritePatternBmp(temp_, "photo.bmp", 120, 90);
    const std::string output = temp_.file("result.png");
    RecordProperty("output", output);

    platform_.OpenAnswers.push_back({QString::fromStdString(input)});
    Type(QStringLiteral("o"));
    Drag(form().Image1, {100, 70}, {20, 10});
    Type(QStringLiteral("h"));
    Type(QStringLiteral("50"));
    Type(QStringLiteral("c"));
    for (int i = 0; i < 10; ++i) Key(Qt::Key_Right);
    Type(QStringLiteral("r"));
    Enter();
    platform_.SaveAnswers.push_back(QString::fromStdString(output));
    Type(QStringLiteral("s"));

    ASSERT_TRUE(platform_.Messages.empty()) << platform_.Messages[0].Text.toStdString();
    EXPECT_EQ(form().windowTitle(),
              QStringLiteral("Skalomi Ver.4.02 ： %1  拡縮画像（30×40）")
                  .arg(QString::fromStdString(output.substr(output.rfind('/') + 1))));

    // The engine on the same input.
    ScaleSettings settings;
    settings.HorzValue = 50;
    settings.VertValue = 50;
    settings.Rotation = kRotateRight;
    settings.ContrastStep = 10;
    const SelectionRect selection{20, 10, 100, 70};
    ScalePlan plan;
    ASSERT_EQ(PlanScale(settings, selection, plan), ScaleRefusal::None);
    TDIB source;
    source.LoadFromFile(input);
    source.SetPixelFormat(PixelFormat24Bit);
    TDIB expected;
    ResampleTables tables;
    RunScale(source, selection, settings, plan, expected, tables);
    ASSERT_EQ(expected.Width(), 30);
    ASSERT_EQ(expected.Height(), 40);

    const std::vector<std::uint8_t> written = ReadBytes(output);
    EXPECT_TRUE(PNGHasSignature(written.data(), written.size()));

    // The file read by a reader no one here wrote, where there is one.
    if (const std::optional<RgbImage> decoded =
            HavePillow() ? PillowDecode(output) : std::nullopt) {
        ASSERT_EQ(decoded->width, 30);
        ASSERT_EQ(decoded->height, 40);
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 30; ++x) {
                const int c = expected.GetPixels(x, y);
                const std::uint8_t* rgb = &decoded->rgb[3 * (static_cast<std::size_t>(y) * 30 + x)];
                ASSERT_EQ(rgb[0] | (rgb[1] << 8) | (rgb[2] << 16), c) << x << "," << y;
            }
    } else {
        TDIB written;
        ASSERT_TRUE(LoadPictureFile(output, written));
        EXPECT_EQ(AsImage(written), AsImage(expected));
    }
}
