// The row-at-a-time coders against the whole-picture ones: a JPEG read from
// its file in bands of any size gives the rows of the picture decoded from
// memory (and is refused where that is refused, damaged files included);
// JPEG rows encoded into a stream, and BMP rows written in either order with
// any number gathered per write, give the bytes of the picture written whole.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "picture/bmp/bmp_format.h"
#include "picture/errors.h"
#include "picture/jpeg/jpeg_picture.h"
#include "picture/jpeg/jpeg_row_decoder.h"
#include "picture/jpeg/jpeg_row_encoder.h"
#include "picture/picture_row_writer.h"
#include "picture/system/file_io.h"
#include "tests/picture/format_test_helpers.h"

namespace {

// The picture's rows read from its file in bands of `band` rows, at 24 bits
// when `wide`, or the error that stopped them.
struct BandedReading {
    std::vector<std::uint8_t> rows;
    std::string error;
    int warnings = 0;
};

BandedReading readInBands(const std::string& path, int band, bool wide,
                          const ReaderLimits& limits = {}) {
    BandedReading reading;
    try {
        JpegRowDecoder decoder(path, limits, JpegRowDecoder::Rows::HandedOn);
        const std::size_t rowBytes =
            static_cast<std::size_t>(decoder.Width()) * (wide ? 3 : decoder.Depth() / 8);
        reading.rows.resize(rowBytes * static_cast<std::size_t>(decoder.Height()));
        std::vector<std::uint8_t*> rows(static_cast<std::size_t>(band));
        for (int y = 0; y < decoder.Height(); y += band) {
            const int count = std::min(band, decoder.Height() - y);
            for (int i = 0; i < count; ++i)
                rows[i] = reading.rows.data() + rowBytes * static_cast<std::size_t>(y + i);
            if (wide)
                decoder.ReadRows24(rows.data(), count);
            else
                decoder.ReadRows(rows.data(), count);
        }
        decoder.Finish();
        reading.warnings = decoder.ImageDataWarnings();
    } catch (const std::exception& e) {
        reading.error = e.what();
    }
    return reading;
}

// The rows of DecodeJPEG's picture, top to bottom, without padding; at 24
// bits as the pixel buffer widens them when `wide`.
BandedReading readWhole(const std::vector<std::uint8_t>& bytes, bool wide,
                        const ReaderLimits& limits = {}) {
    BandedReading reading;
    try {
        const DecodedPicture picture = DecodeJPEG(bytes.data(), bytes.size(), limits);
        if (wide) {
            TDIB dib;
            dib.Assign(picture);
            dib.SetPixelFormat(PixelFormat24Bit);
            for (int y = 0; y < dib.Height(); ++y)
                reading.rows.insert(reading.rows.end(), dib.ScanLine(y),
                                    dib.ScanLine(y) + 3 * static_cast<std::size_t>(dib.Width()));
        } else {
            const std::size_t rowBytes =
                static_cast<std::size_t>(picture.width) * picture.depth / 8;
            for (int y = 0; y < picture.height; ++y)
                reading.rows.insert(reading.rows.end(), picture.row(y), picture.row(y) + rowBytes);
        }
    } catch (const std::exception& e) {
        reading.error = e.what();
    }
    return reading;
}

// Where libjpeg gave no warning, that is; damaged files it decodes with
// warnings may come out otherwise from a file read in pieces, and the
// streamed job leaves them to the whole-picture path.
TEST(JpegRowDecoding, SuiteFilesReadFromTheFileInBandsAsWholeFromMemory) {
    SKIP_WITHOUT_SHARED_TESTDATA();
    const std::vector<std::string> files =
        ListFiles(SharedTestdataPath("jpeg"), {".jpg", ".jpeg", ".mpo"});
    ASSERT_GT(files.size(), 150u);
    std::mt19937 rng(7);
    const int bands[] = {1, 3, 16, 37, 1 << 20};
    // The suite's giants, and damaged files that declare one, are read by
    // the decoding test; here both ways refuse them alike at once.
    ReaderLimits limits;
    limits.maxPictureBytes = 256u << 20;
    int compared = 0, refused = 0, warned = 0;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const std::vector<std::uint8_t> bytes = ReadWholeFile(file);
        if (bytes.size() > (8u << 20)) continue;
        const bool wide = rng() % 2 == 0;
        const BandedReading whole = readWhole(bytes, wide, limits);
        const BandedReading banded = readInBands(file, bands[rng() % 5], wide, limits);
        EXPECT_EQ(banded.error, whole.error);
        if (!whole.error.empty()) {
            ++refused;
        } else if (banded.warnings == 0) {
            EXPECT_TRUE(banded.rows == whole.rows);
            ++compared;
        } else {
            ++warned;
        }
    }
    EXPECT_GT(compared, 60);
    EXPECT_GT(refused, 10);
    EXPECT_GT(warned, 10);
}

TEST(JpegRowDecoding, RefusesRowsPastThePictureAndAnEarlyFinish) {
    TempDir dir;
    WriteBytes(dir.file("a.jpg"), EncodeJPEG(MakePhotoLike(9, 5)));
    JpegRowDecoder decoder(dir.file("a.jpg"), {}, JpegRowDecoder::Rows::HandedOn);
    std::vector<std::uint8_t> row(27 * 6);
    std::uint8_t* rows[6];
    for (int i = 0; i < 6; ++i) rows[i] = row.data() + 27 * i;
    EXPECT_THROW(decoder.ReadRows(rows, 6), EJPEG);
    decoder.ReadRows(rows, 4);
    EXPECT_THROW(decoder.Finish(), EJPEG);
    decoder.ReadRows(rows, 1);
    EXPECT_NO_THROW(decoder.Finish());
}

TEST(JpegRowDecoding, MissingFileIsAnOpenError) {
    EXPECT_THROW(JpegRowDecoder("/nonexistent/skalomi/a.jpg", {}, JpegRowDecoder::Rows::HandedOn),
                 EFOpenError);
}

// ---------------------------------------------------------------- encoding

struct EncodeCase {
    const char* name;
    int width, height;
    int band;
};

void PrintTo(const EncodeCase& c, std::ostream* os) {
    *os << c.name;
}

class JpegRowEncoding : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(JpegRowEncoding, StreamedBytesAreThoseOfThePictureEncodedWhole) {
    const EncodeCase& c = GetParam();
    const TDIB picture = MakePhotoLike(c.width, c.height, 3);
    std::ostringstream out;
    JpegRowEncoder encoder(c.width, c.height, out);
    std::vector<const std::uint8_t*> rows(static_cast<std::size_t>(c.band));
    for (int y = 0; y < c.height; y += c.band) {
        const int count = std::min(c.band, c.height - y);
        for (int i = 0; i < count; ++i) rows[i] = picture.ScanLine(y + i);
        encoder.WriteRows(rows.data(), count);
    }
    encoder.Finish();
    const std::vector<std::uint8_t> whole = EncodeJPEG(picture);
    const std::string streamed = out.str();
    EXPECT_EQ(std::vector<std::uint8_t>(streamed.begin(), streamed.end()), whole);
}

INSTANTIATE_TEST_SUITE_P(Sizes, JpegRowEncoding,
                         ::testing::Values(EncodeCase{"OnePixel", 1, 1, 1},
                                           EncodeCase{"RowByRow", 37, 29, 1},
                                           EncodeCase{"OddBands", 64, 50, 7},
                                           EncodeCase{"SeveralStreamBuffers", 640, 480, 16}),
                         NameOfParam());

TEST(JpegRowEncoding, AFailingStreamIsAWriteError) {
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    const TDIB picture = MakePhotoLike(400, 300, 1);
    JpegRowEncoder encoder(400, 300, out);
    const std::uint8_t* row = picture.ScanLine(0);
    EXPECT_THROW(
        {
            for (int y = 0; y < 300; ++y) encoder.WriteRows(&row, 1);
            encoder.Finish();
        },
        EWriteError);
}

// --------------------------------------------------------------------- BMP

struct BmpCase {
    const char* name;
    int width, height;
    bool topDown;       // the header's row order
    bool rowsTopFirst;  // the order the rows come in
    int rowsPerWrite;
};

void PrintTo(const BmpCase& c, std::ostream* os) {
    *os << c.name;
}

class BmpRowWriting : public ::testing::TestWithParam<BmpCase> {};

TEST_P(BmpRowWriting, GivesTheFileOfTheStoreWrittenWhole) {
    const BmpCase& c = GetParam();
    const TDIB picture = MakePicture(c.width, c.topDown ? -c.height : c.height,
                                     [](int x, int y) { return (x * 41 + y * 7) * 0x010305; });
    std::ostringstream whole;
    picture.SaveToStream(whole);

    TempDir dir;
    const std::string path = dir.file("rows.bmp");
    WriteFileAtomically(path, [&](std::ostream& out) {
        BmpRowWriter writer(out, picture.Header(), picture.ColorTable(), c.rowsTopFirst,
                            c.rowsPerWrite);
        for (int i = 0; i < c.height; ++i)
            writer.WriteRow(picture.ScanLine(c.rowsTopFirst ? i : c.height - 1 - i));
        writer.Finish();
    });
    const std::string expected = whole.str();
    EXPECT_EQ(ReadWholeFile(path), std::vector<std::uint8_t>(expected.begin(), expected.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Orders, BmpRowWriting,
    ::testing::Values(BmpCase{"BottomUpFileRowsTopFirstOneAtATime", 5, 9, false, true, 1},
                      BmpCase{"BottomUpFileRowsTopFirstInThrees", 7, 10, false, true, 3},
                      BmpCase{"BottomUpFileRowsTopFirstAllAtOnce", 6, 4, false, true, 100},
                      BmpCase{"BottomUpFileRowsBottomFirst", 5, 9, false, false, 2},
                      BmpCase{"TopDownFileRowsTopFirst", 3, 8, true, true, 3},
                      BmpCase{"TopDownFileRowsBottomFirst", 4, 11, true, false, 4},
                      BmpCase{"OneRow", 9, 1, false, true, 1}),
    NameOfParam());

TEST(BmpRowWriting, RefusesRowsPastThePictureAndAnEarlyFinish) {
    const TDIB picture = MakePicture(3, 2, [](int, int) { return 0; });
    std::ostringstream out;
    BmpRowWriter writer(out, picture.Header(), picture.ColorTable(), false, 1);
    writer.WriteRow(picture.ScanLine(1));
    EXPECT_THROW(writer.Finish(), EDIBInvalidDIBPara);
    writer.WriteRow(picture.ScanLine(0));
    EXPECT_THROW(writer.WriteRow(picture.ScanLine(0)), EDIBInvalidDIBPara);
}

// Which types stream, in which row order.
TEST(PictureRowWriters, TypesAndOrders) {
    EXPECT_TRUE(CanWriteRows(PictureFileType::JPEG, true));
    EXPECT_FALSE(CanWriteRows(PictureFileType::JPEG, false));
    EXPECT_TRUE(CanWriteRows(PictureFileType::PNG, true));
    EXPECT_FALSE(CanWriteRows(PictureFileType::PNG, false));
    EXPECT_TRUE(CanWriteRows(PictureFileType::BMP, true));
    EXPECT_TRUE(CanWriteRows(PictureFileType::BMP, false));
    EXPECT_FALSE(CanWriteRows(PictureFileType::GIF, true));
    std::ostringstream out;
    const TDIB picture = MakePicture(3, 2, [](int, int) { return 0; });
    EXPECT_THROW(OpenPictureRowWriter(PictureFileType::GIF, picture.Header(), picture.ColorTable(),
                                      true, out),
                 std::invalid_argument);
}

}  // namespace
