// Copying either picture: the packed DIB as a BMP file and the picture as
// an image.

#include <QAction>
#include <QToolButton>

#include "output/clipboard_data.h"
#include "tests/app/window_fixture.h"

namespace {

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

}  // namespace

TEST(ClipboardData, TheBmpFileIsThePackedDIBBehindItsFileHeader) {
    const TDIB picture = PatternPicture(5, 3);
    const ClipboardPicture data = ClipboardPictureOf(picture);
    const std::vector<std::uint8_t> packed = picture.SaveToClipboardFormat();
    ASSERT_EQ(data.BmpFile.size(), packed.size() + 14);
    EXPECT_EQ(data.BmpFile[0], 'B');
    EXPECT_EQ(data.BmpFile[1], 'M');
    EXPECT_EQ(le32(data.BmpFile, 2), data.BmpFile.size());
    EXPECT_EQ(le32(data.BmpFile, 6), 0u);
    EXPECT_EQ(le32(data.BmpFile, 10), 54u);
    EXPECT_TRUE(std::equal(packed.begin(), packed.end(), data.BmpFile.begin() + 14));
    EXPECT_EQ(data.Image, AsImage(picture));

    // The file reads back as the same picture, with any reader.
    TempDir dir;
    WriteBytes(dir.file("c.bmp"), data.BmpFile);
    TDIB back;
    back.LoadFromFile(dir.file("c.bmp"));
    EXPECT_EQ(AsImage(back), AsImage(picture));
}

TEST(ClipboardData, PaletteAndMasksMoveThePixelOffset) {
    TDIB eightBit = PatternPicture(16, 16);
    eightBit.SetPixelFormat(PixelFormat8Bit);
    const std::vector<std::uint8_t> file = BmpFileFromPackedDIB(eightBit.SaveToClipboardFormat());
    EXPECT_EQ(le32(file, 10), 14u + 40u + 4u * static_cast<std::uint32_t>(eightBit.ColorsUsed()));

    std::vector<std::uint8_t> masked(40 + 12 + 4, 0);
    masked[0] = 40;
    masked[14] = 16;  // bits
    masked[16] = 3;   // bit fields
    EXPECT_EQ(le32(BmpFileFromPackedDIB(masked), 10), 14u + 40u + 12u);
    EXPECT_THROW(BmpFileFromPackedDIB(std::vector<std::uint8_t>(10, 0)), EDIBInvalidDIB);
}

TEST_F(WindowTest, MenuCopiesEitherPictureAndChangesNothingElse) {
    OpenThroughDialog(WritePatternBmp(temp_, "in.bmp", 20, 10));
    form().Edit1->setText(QStringLiteral("200"));
    Enter();
    Type(QStringLiteral("<"));
    const QString title = form().windowTitle();
    form().copy0->trigger();
    ASSERT_TRUE(platform_.Copied.has_value());
    EXPECT_EQ(platform_.Copied->Image, AsImage(form().SourceDIB));
    EXPECT_EQ(form().windowTitle(), title);
    EXPECT_TRUE(form().ToolButton5->isChecked());

    Type(QStringLiteral(">"));
    form().copy1->trigger();
    EXPECT_EQ(platform_.Copied->Image, AsImage(form().ScaledDIB));
    EXPECT_EQ(platform_.Copied->Image.size(), QSize(40, 20));
}
