#include "picture/png/png_inflater.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <exception>
#include <random>
#include <string>
#include <vector>

#include "picture/file_fault.h"
#include "tests/support/split_pieces.h"

namespace {

std::vector<std::uint8_t> FromHex(const std::string& hex) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

struct Outcome {
    std::vector<std::uint8_t> bytes;
    std::string refusal;  // empty when taken
};

Outcome Inflate(Inflater::Engine engine, const std::vector<std::uint8_t>& stream, std::size_t chunk,
                std::size_t piece, std::size_t row, std::size_t rows) {
    Outcome outcome{std::vector<std::uint8_t>(row * rows), {}};
    SplitPieces pieces(stream, chunk, piece);
    try {
        Inflater inflater(engine);
        for (std::size_t r = 0; r < rows; ++r)
            inflater.fill(outcome.bytes.data() + r * row, row, pieces);
        inflater.finish(pieces);
    } catch (const std::exception& error) {
        outcome.refusal = std::string(error.what()) + " / " + FaultOf(error);
    }
    return outcome;
}

// Streams ISA-L alone would take (or judge at other bytes) where zlib refuses.
struct DoubtCase {
    const char* name;
    const char* hex;
    std::size_t chunk, row, rows;
};

const DoubtCase kDoubtCases[] = {
    // A code-length code set that is incomplete: ISA-L decodes on with it.
    {"IncompleteCodeLengthsSet", "789cbcbcbcbcb5b5b5b5d40ab5b5b5b5b5b50a", 1000, 8, 4},
    // An over-subscribed literal/length code set.
    {"OverSubscribedLiteralSet",
     "785e44444644444444444444444444444444444444444444444444444444044444444444444444444444"
     "4444444444444444444444444444444444444444444444444444444444444444444444444444",
     1000, 16, 8},
    // ISA-L gives the row's first bytes, then zlib (inflating again) must
    // refuse the match after them at the same byte.
    {"MatchTooFarBackAfterTheFirstBytes", "18d32b830102770077", 1000, 56, 1},
};

class InflaterDoubt : public testing::TestWithParam<DoubtCase> {};

TEST_P(InflaterDoubt, IsRefusedAsZlibRefusesIt) {
    const DoubtCase& c = GetParam();
    const std::vector<std::uint8_t> stream = FromHex(c.hex);
    for (std::size_t piece : {std::size_t{1}, std::size_t{3}, c.chunk}) {
        const Outcome zlib = Inflate(Inflater::Engine::Zlib, stream, c.chunk, piece, c.row, c.rows);
        const Outcome fast = Inflate(Inflater::Engine::IsaL, stream, c.chunk, piece, c.row, c.rows);
        ASSERT_FALSE(zlib.refusal.empty()) << "zlib takes the stream; the case shows nothing";
        EXPECT_EQ(fast.refusal, zlib.refusal) << "pieces of " << piece;
    }
}

INSTANTIATE_TEST_SUITE_P(Png, InflaterDoubt, testing::ValuesIn(kDoubtCases),
                         [](const testing::TestParamInfo<DoubtCase>& info) {
                             return std::string(info.param.name);
                         });

// Many blocks of every kind whose matches reach back across block ends
// (ISA-L is stopped at each block end and given its window again).
TEST(PngInflater, ManyBlocksInOddPiecesGiveZlibsBytes) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> plain(300000);
    for (std::size_t i = 0; i < plain.size(); ++i)
        plain[i] = static_cast<std::uint8_t>(i / 50 + random() % 3);
    z_stream z{};
    ASSERT_EQ(deflateInit2(&z, 6, Z_DEFLATED, 15, 1, Z_DEFAULT_STRATEGY), Z_OK);
    std::vector<std::uint8_t> stream(deflateBound(&z, plain.size()) + 4096);
    z.next_out = stream.data();
    z.avail_out = static_cast<uInt>(stream.size());
    for (std::size_t at = 0; at < plain.size(); at += 10000) {
        z.next_in = plain.data() + at;
        z.avail_in = 10000;
        const int strategy = at % 30000 == 0 ? Z_FIXED : Z_DEFAULT_STRATEGY;
        deflateParams(&z, static_cast<int>(at / 10000 % 10), strategy);
        deflate(&z, at % 40000 == 0 ? Z_SYNC_FLUSH : Z_NO_FLUSH);
    }
    ASSERT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    stream.resize(z.total_out);
    deflateEnd(&z);
    for (std::size_t piece : {std::size_t{7}, std::size_t{4096}, stream.size()}) {
        const Outcome fast = Inflate(Inflater::Engine::IsaL, stream, 8192, piece, 1000, 300);
        EXPECT_EQ(fast.refusal, "");
        EXPECT_TRUE(fast.bytes == plain) << "pieces of " << piece;
    }
}

}  // namespace
