// The memory budget: what it grants and refuses, what it holds and gives
// back, how accounts of work beside other work are told to wait, and that
// the readers and the scale run ask it before they take memory.

#include "picture/system/memory_budget.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "picture/errors.h"
#include "picture/jpeg/jpeg_picture.h"
#include "picture/jpeg/jpeg_row_decoder.h"
#include "picture/metafile/metafile_renderer.h"
#include "picture/picture_loader.h"
#include "picture/picture_saver.h"
#include "picture/pixel_block.h"
#include "picture/reader_limits.h"
#include "scale/scale_run.h"
#include "tests/picture/format_test_helpers.h"
#include "tests/support/declaring_files.h"
#include "tests/support/fake_system_memory.h"
#include "tests/support/picture_builders.h"
#include "tests/support/test_support.h"

namespace {

// ------------------------------------------------------------ reservations

TEST(MemoryBudget, ReservationsAreHeldUntilGivenBack) {
    FakeSystemMemory system(100 * kMB);
    const std::size_t before = MemoryReserved();
    {
        MemoryReservation a = ReserveMemory(30 * kMB);
        EXPECT_EQ(MemoryReserved(), before + 30 * kMB);
        MemoryReservation moved = std::move(a);
        EXPECT_EQ(a.bytes(), 0u);
        EXPECT_EQ(moved.bytes(), 30 * kMB);
        EXPECT_EQ(MemoryReserved(), before + 30 * kMB);
        MemoryReservation b = ReserveMemory(10 * kMB);
        b = std::move(moved);  // b's own 10 MB go back
        EXPECT_EQ(MemoryReserved(), before + 30 * kMB);
        b.release();
        EXPECT_EQ(MemoryReserved(), before);
        MemoryReservation c = ReserveMemory(5 * kMB);
    }
    EXPECT_EQ(MemoryReserved(), before);
}

struct NeedCase {
    const char* name;
    std::uint64_t memory;        // what the system can give
    std::uint64_t addressSpace;  // what the process may still map
    std::uint64_t touched;       // what the process has touched
    std::size_t held;            // reserved before, not yet mapped
    bool heldTaken;              // ... or mapped already
    std::size_t need;
    bool granted;
};

void PrintTo(const NeedCase& c, std::ostream* os) {
    *os << c.name;
}

class BudgetNeeds : public ::testing::TestWithParam<NeedCase> {};

TEST_P(BudgetNeeds, GrantedOnlyWithinWhatIsLeft) {
    const NeedCase& c = GetParam();
    FakeSystemMemory system(c.memory, c.addressSpace, c.touched);
    MemoryReservation held = ReserveMemory(c.held);
    if (c.heldTaken) held.markTaken();
    const std::size_t before = MemoryReserved();
    if (c.granted) {
        MemoryReservation r = ReserveMemory(c.need);
        EXPECT_EQ(r.bytes(), c.need);
        EXPECT_EQ(MemoryReserved(), before + c.need);
    } else {
        EXPECT_THROW(ReserveMemory(c.need), EOutOfMemory);
        EXPECT_THROW(RequireMemory(c.need), EOutOfMemory);
        EXPECT_EQ(MemoryReserved(), before) << "a refusal holds nothing";
    }
}

constexpr std::uint64_t kNoLimit = SystemMemory::kUnlimited;

// Memory: 100 MB available unless said otherwise.
INSTANTIATE_TEST_SUITE_P(
    Needs, BudgetNeeds,
    ::testing::Values(
        NeedCase{"FitsInMemory", 100 * kMB, kNoLimit, 0, 0, false, 100 * kMB, true},
        NeedCase{"BeyondMemory", 100 * kMB, kNoLimit, 0, 0, false, 100 * kMB + 1, false},
        NeedCase{"HeldCountsAgainstMemory", 100 * kMB, kNoLimit, 0, 60 * kMB, false, 50 * kMB,
                 false},
        // Mapped but not touched yet: not left out of the available memory.
        NeedCase{"MappedUntouchedStillCounts", 100 * kMB, kNoLimit, 0, 60 * kMB, true, 50 * kMB,
                 false},
        // Touched, it is left out of the available memory already.
        NeedCase{"TouchedNotCountedTwice", 100 * kMB, kNoLimit, 60 * kMB, 60 * kMB, true, 99 * kMB,
                 true},
        // What the process touched elsewhere does not make a reservation
        // not yet mapped touched...
        NeedCase{"OnlyMappedReservationsAreTouched", 100 * kMB, kNoLimit, 80 * kMB, 60 * kMB, false,
                 50 * kMB, false},
        // ... nor does it count for more than the reservations hold.
        NeedCase{"TouchedBeyondTheReservations", 100 * kMB, kNoLimit, 500 * kMB, 60 * kMB, true,
                 101 * kMB, false},
        NeedCase{"PartlyTouched", 100 * kMB, kNoLimit, 20 * kMB, 60 * kMB, true, 59 * kMB, true},
        NeedCase{"PartlyTouchedBeyond", 100 * kMB, kNoLimit, 20 * kMB, 60 * kMB, true, 61 * kMB,
                 false},
        NeedCase{"BeyondAddressSpace", kNoLimit, 100 * kMB, 0, 0, false, 101 * kMB, false},
        NeedCase{"HeldCountsAgainstAddressSpace", kNoLimit, 100 * kMB, 0, 60 * kMB, false, 50 * kMB,
                 false},
        // Mapped memory is already in the process's size: not counted twice.
        NeedCase{"MappedNotCountedTwiceInAddressSpace", kNoLimit, 100 * kMB, 0, 60 * kMB, true,
                 50 * kMB, true},
        NeedCase{"TheSmallerFigureDecides", 50 * kMB, 500 * kMB, 0, 0, false, 60 * kMB, false},
        // Below a megabyte nothing is asked and nothing refused.
        NeedCase{"SmallNeedsAlwaysGranted", 0, 0, 0, 0, false, (1 << 20) - 1, true},
        NeedCase{"OneMegabyteIsAsked", 0, kNoLimit, 0, 0, false, 1 << 20, false}),
    NameOfParam());

TEST(MemoryBudget, SmallNeedsDoNotAskTheSystem) {
    FakeSystemMemory system(kNoLimit);
    for (int i = 0; i < 100; ++i) PixelBlock block(64 * 1024);
    EXPECT_EQ(system.asked(), 0);
    PixelBlock large(2 * kMB);
    EXPECT_EQ(system.asked(), 1);
}

TEST(MemoryBudget, RefusalSaysWhatWasNeededAndWhatCouldBeHad) {
    FakeSystemMemory system(300 * kMB);
    MemoryReservation held = ReserveMemory(100 * kMB);
    EXPECT_EQ(MessageOf([] { ReserveMemory(500 * kMB, "Picture of 1 x 2 pixels"); }),
              "Picture of 1 x 2 pixels needs 500 MB of memory; 200 MB can be had now");
}

TEST(MemoryBudget, PixelBlocksHoldTheirSize) {
    FakeSystemMemory system(100 * kMB);
    const std::size_t before = MemoryReserved();
    {
        PixelBlock block(40 * kMB);
        EXPECT_EQ(MemoryReserved(), before + 40 * kMB);
        PixelBlock moved(std::move(block));
        EXPECT_EQ(MemoryReserved(), before + 40 * kMB);
        EXPECT_THROW(PixelBlock(70 * kMB), EOutOfMemory);
        TDIB picture = BlankTrueColour(2000, 2000);  // 12 MB
        EXPECT_EQ(MemoryReserved(), before + 40 * kMB + picture.BitsSize());
    }
    EXPECT_EQ(MemoryReserved(), before);
}

TEST(MemoryBudget, ThreadsNeverTogetherHoldMoreThanThereIs) {
    constexpr std::uint64_t kRoom = 100 * kMB;
    FakeSystemMemory system(kRoom);
    const std::size_t before = MemoryReserved();
    std::atomic<std::size_t> most{0};
    std::atomic<int> refused{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                try {
                    MemoryReservation r = ReserveMemory(30 * kMB);
                    const std::size_t now = MemoryReserved() - before;
                    std::size_t seen = most.load();
                    while (now > seen && !most.compare_exchange_weak(seen, now)) {
                    }
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
                } catch (const EOutOfMemory&) {
                    ++refused;
                }
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_LE(most.load(), kRoom);
    EXPECT_GT(refused.load(), 0);
    EXPECT_EQ(MemoryReserved(), before);
}

// ---------------------------------------------------------------- accounts

struct AccountCase {
    const char* name;
    bool waits;
    std::size_t othersHold;  // in another account, on another thread
    std::size_t need;        // with 100 MB left before the others' share
    const char* outcome;     // "granted", "busy" or "refused"
};

void PrintTo(const AccountCase& c, std::ostream* os) {
    *os << c.name;
}

class BudgetAccounts : public ::testing::TestWithParam<AccountCase> {};

TEST_P(BudgetAccounts, ABusyRefusalOnlyWhereWaitingCanHelp) {
    const AccountCase& c = GetParam();
    FakeSystemMemory system(100 * kMB + c.othersHold);
    MemoryAccount others;
    MemoryReservation theirs;
    std::thread([&] {
        ChargeMemoryTo charge(others);
        theirs = ReserveMemory(c.othersHold);
    }).join();
    EXPECT_EQ(others.held(), c.othersHold);

    MemoryAccount mine(c.waits);
    ChargeMemoryTo charge(mine);
    std::string outcome;
    try {
        MemoryReservation r = ReserveMemory(c.need);
        EXPECT_EQ(mine.held(), c.need);
        outcome = "granted";
    } catch (const EMemoryBusy&) {
        outcome = "busy";
    } catch (const EOutOfMemory&) {
        outcome = "refused";
    }
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(mine.held(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Accounts, BudgetAccounts,
    ::testing::Values(AccountCase{"Fits", true, 50 * kMB, 100 * kMB, "granted"},
                      AccountCase{"FitsOnceOthersAreDone", true, 50 * kMB, 140 * kMB, "busy"},
                      AccountCase{"BeyondEvenWithOthersDone", true, 50 * kMB, 160 * kMB, "refused"},
                      AccountCase{"NoOneElseHoldsAnything", true, 0, 140 * kMB, "refused"},
                      AccountCase{"AnAccountThatDoesNotWait", false, 50 * kMB, 140 * kMB,
                                  "refused"}),
    NameOfParam());

TEST(MemoryBudget, AnAccountStopsWaitingWhenToldTo) {
    FakeSystemMemory system(100 * kMB);
    MemoryReservation outside = ReserveMemory(50 * kMB);  // the process at large
    MemoryAccount mine;
    ChargeMemoryTo charge(mine);
    EXPECT_THROW(ReserveMemory(80 * kMB), EMemoryBusy);
    mine.SetWaitsForOthers(false);
    try {
        ReserveMemory(80 * kMB);
        FAIL() << "granted";
    } catch (const EMemoryBusy&) {
        FAIL() << "busy";
    } catch (const EOutOfMemory&) {
    }
}

// ----------------------------------------------------------------- ceiling

struct CeilingCase {
    const char* name;
    std::uint64_t limit;     // 0: none
    std::uint64_t system;    // what the system can give
    std::size_t othersHold;  // in another account, on another thread
    std::size_t ownHolds;    // in this one, before the need
    std::size_t need;
    const char* outcome;  // "granted", "busy", "can be had" or "limit"
};

void PrintTo(const CeilingCase& c, std::ostream* os) {
    *os << c.name;
}

class BudgetCeiling : public ::testing::TestWithParam<CeilingCase> {};

// The ceiling caps all reservations together on top of the system; what
// passes it even alone is refused as such, at once.
TEST_P(BudgetCeiling, CapsAllReservationsTogether) {
    const CeilingCase& c = GetParam();
    FakeSystemMemory system(c.system + c.othersHold + c.ownHolds);
    const MemoryCeiling ceiling(c.limit);
    MemoryAccount others;
    MemoryReservation theirs;
    std::thread([&] {
        ChargeMemoryTo charge(others);
        theirs = ReserveMemory(c.othersHold);
    }).join();
    MemoryAccount mine;
    ChargeMemoryTo charge(mine);
    MemoryReservation own = ReserveMemory(c.ownHolds);
    std::string outcome;
    try {
        MemoryReservation r = ReserveMemory(c.need);
        outcome = "granted";
    } catch (const EMemoryBusy&) {
        outcome = "busy";
    } catch (const EMemoryLimit& e) {
        outcome = "limit";
        EXPECT_NE(std::string(e.what()).find("the limit is"), std::string::npos) << e.what();
    } catch (const EOutOfMemory& e) {
        outcome = "can be had";
        EXPECT_NE(std::string(e.what()).find("can be had now"), std::string::npos) << e.what();
    }
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(mine.held(), c.ownHolds);
}

constexpr std::uint64_t kPlenty = 100 * kGiB;

INSTANTIATE_TEST_SUITE_P(
    Ceiling, BudgetCeiling,
    ::testing::Values(
        CeilingCase{"FitsUnderIt", 100 * kMB, kPlenty, 0, 0, 100 * kMB, "granted"},
        CeilingCase{"PassesItAlone", 100 * kMB, kPlenty, 0, 0, 100 * kMB + 1, "limit"},
        CeilingCase{"PassesItWithItsOwnWork", 100 * kMB, kPlenty, 0, 60 * kMB, 50 * kMB, "limit"},
        CeilingCase{"FitsOnceOthersAreDone", 100 * kMB, kPlenty, 60 * kMB, 0, 50 * kMB, "busy"},
        CeilingCase{"TheSystemGivesLess", 100 * kMB, 50 * kMB, 0, 0, 60 * kMB, "can be had"},
        CeilingCase{"SmallNeedsCountToo", 100 * kMB, kPlenty, 0, 100 * kMB, 4096, "limit"},
        CeilingCase{"None", 0, 200 * kMB, 0, 0, 150 * kMB, "granted"}),
    NameOfParam());

TEST(MemoryBudget, ALimitRefusalNamesTheNeedTheLimitAndWhereItWasSet) {
    FakeSystemMemory system(kPlenty);
    const MemoryCeiling ceiling(2 * kGiB);
    EXPECT_EQ(MessageOf([] { ReserveMemory(7 * kGiB + 700 * kMB, "Picture of 1 x 2 pixels"); }),
              "Picture of 1 x 2 pixels needs 7.7 GB of memory; the limit is 2 GiB: --memory-limit");
    MemoryAccount mine;
    ChargeMemoryTo charge(mine);
    MemoryReservation held = ReserveMemory(1536 * kMB);
    EXPECT_EQ(MessageOf([] { ReserveMemory(600 * kMB, "The file"); }),
              "The file needs 600 MB of memory besides the 1.5 GB its work holds; the limit is 2 "
              "GiB: --memory-limit");
    EXPECT_EQ(DescribeExactBytes(1536 * kMB), "1536 MiB");
    EXPECT_EQ(DescribeExactBytes(1000), "1000 bytes");
}

// ------------------------------------------------------------ the system

TEST(SystemMemory, ReadsWhatTheMachineHas) {
    const SystemMemory system = ProbeSystemMemory();
    EXPECT_GT(system.memory, 0u);
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t totalKb = 0;
    while (meminfo >> key && key != "MemTotal:") {
    }
    meminfo >> totalKb;
    if (totalKb > 0) {
        EXPECT_LE(system.memory, totalKb * 1024);
    }
}

// Runs `child` in a forked process under an address-space limit; its exit
// status, or 128 + the signal that ended it.
int underAddressLimit(std::uint64_t limit, const std::function<int()>& child) {
    return InChild([&] {
        rlimit r{limit, limit};
        return ::setrlimit(RLIMIT_AS, &r) == 0 ? child() : 90;
    });
}

TEST(SystemMemory, AnAddressSpaceLimitIsHonoured) {
    SKIP_UNDER_SHADOW_MEMORY_SANITIZERS();
    constexpr std::uint64_t kLimit = std::uint64_t{3} << 30;
    const int status = underAddressLimit(kLimit, [] {
        const SystemMemory system = ProbeSystemMemory();
        if (system.addressSpace >= kLimit) return 1;
        // A block the limit leaves room for is granted, one beyond it refused
        // by the budget rather than by a failed mapping.
        try {
            PixelBlock fits(256 * kMB);
        } catch (...) {
            return 2;
        }
        const std::string message = MessageOf([] { PixelBlock(std::size_t{4} << 30); });
        return message.find("can be had now") != std::string::npos ? 0 : 3;
    });
    EXPECT_EQ(status, 0);
}

// ---------------------------------------------------------------- readers

struct DeclaredCase {
    const char* name;
    FileBytes (*make)(int width, int height);
    const char* fileName;
    int bytesPerPixel;  // what reading and widening the picture hold at once
};

void PrintTo(const DeclaredCase& c, std::ostream* os) {
    *os << c.name;
}

class DeclaredPictures : public ::testing::TestWithParam<DeclaredCase> {};

const DeclaredCase kDeclared[] = {
    {"GifScreen", GifDeclaring, "bomb.gif", 4}, {"RleBmp", RleBmpDeclaring, "bomb.bmp", 4},
    {"WmfBounds", WmfDeclaring, "bomb.wmf", 7}, {"EmfFrame", EmfDeclaring, "bomb.emf", 7},
    {"PngHeader", PngDeclaring, "bomb.png", 4},
};

// A file declaring 30000 x 30000 pixels is refused before its memory is
// taken, with what it needed said, when the budget cannot give it.
TEST_P(DeclaredPictures, HugeDeclarationRefusedWithTheMemoryItNeeds) {
    const DeclaredCase& c = GetParam();
    FakeSystemMemory system(256 * kMB);
    TempDir dir;
    const std::string path = dir.file(c.fileName);
    WriteBytes(path, c.make(30000, 30000));
    TDIB target;
    const TDIB untouched(target);
    const std::size_t before = MemoryReserved();
    std::string why;
    EXPECT_FALSE(LoadPictureFile(path, target, &why));
    EXPECT_TRUE(target.SharesStoreWith(untouched));
    EXPECT_NE(why.find("Picture of 30000 x 30000 pixels needs"), std::string::npos) << why;
    EXPECT_NE(why.find("256 MB can be had now"), std::string::npos) << why;
    EXPECT_EQ(MemoryReserved(), before);
}

class LoadableDeclarations : public DeclaredPictures {};

// The need counted for a file is what reading it and widening it to 24 bits
// hold at once: with a little more it loads, with a little less it is
// refused before anything is taken.
TEST_P(LoadableDeclarations, NeedIsWhatReadingAndWideningHold) {
    const DeclaredCase& c = GetParam();
    constexpr int kSide = 1200;
    const std::uint64_t need = static_cast<std::uint64_t>(c.bytesPerPixel) * kSide * kSide;
    const auto bytes = std::make_shared<const std::vector<std::uint8_t>>(c.make(kSide, kSide));
    TDIB target;
    {
        FakeSystemMemory system(need - 2 * kMB);
        EXPECT_FALSE(LoadPictureBytes(bytes, c.fileName, target));
    }
    {
        // A ceiling counts alike, whatever the machine has.
        FakeSystemMemory plenty(100 * kGiB);
        const MemoryCeiling ceiling(MemoryReserved() + need - 2 * kMB);
        EXPECT_FALSE(LoadPictureBytes(bytes, c.fileName, target));
    }
    {
        FakeSystemMemory plenty(100 * kGiB);
        const MemoryCeiling ceiling(MemoryReserved() + need + 2 * kMB);
        TDIB loaded;
        EXPECT_TRUE(LoadPictureBytes(bytes, c.fileName, loaded));
    }
    FakeSystemMemory system(need + 2 * kMB);
    ASSERT_TRUE(LoadPictureBytes(bytes, c.fileName, target));
    EXPECT_EQ(target.Width(), kSide);
    EXPECT_EQ(target.Height(), kSide);
    EXPECT_EQ(target.PixelFormat(), PixelFormat24Bit);
}

// A caller's limit holds for every reader, whatever the machine could give:
// a few bytes declaring a picture above it are refused before it is drawn.
TEST_P(LoadableDeclarations, ReadersKeepToTheCallersLimit) {
    const DeclaredCase& c = GetParam();
    FakeSystemMemory plenty(100 * kGiB);
    const auto bytes = SharedBytes(c.make(3000, 3000));
    ReaderLimits limits;
    limits.maxPictureBytes = 16 * kMB;
    TDIB target;
    const std::size_t before = MemoryReserved();
    EXPECT_FALSE(LoadPictureBytes(bytes, c.fileName, target, limits));
    EXPECT_EQ(MemoryReserved(), before);
    EXPECT_TRUE(LoadPictureBytes(bytes, c.fileName, target));
}

INSTANTIATE_TEST_SUITE_P(Files, DeclaredPictures, ::testing::ValuesIn(kDeclared), NameOfParam());
// The PNG's image data is cut short on purpose: it never loads.
INSTANTIATE_TEST_SUITE_P(Files, LoadableDeclarations, ::testing::ValuesIn(kDeclared, kDeclared + 4),
                         NameOfParam());

// In a child under a real address-space limit, whatever these files
// declare ends as a refusal or a picture, never as a killed process.
TEST(DeclaredPicturesUnderALimit, RefusedOrLoadedNeverKilled) {
    SKIP_UNDER_SHADOW_MEMORY_SANITIZERS();
    for (const DeclaredCase& c : kDeclared) {
        for (int side : {30000, 12000, 3000}) {
            const auto bytes =
                std::make_shared<const std::vector<std::uint8_t>>(c.make(side, side));
            const int status = underAddressLimit(std::uint64_t{1} << 30, [&] {
                TDIB target;
                const bool loaded = LoadPictureBytes(bytes, c.fileName, target);
                return loaded ? (target.Width() == side ? 10 : 12) : 11;
            });
            EXPECT_TRUE(status == 10 || status == 11)
                << c.name << " " << side << ": status " << status;
            if (side >= 30000) {
                EXPECT_EQ(status, 11) << c.name << " " << side << " cannot fit in 1 GiB";
            }
        }
    }
}

// Decodes every row of `decoder` a band at a time, holding no picture.
void readAllRows(JpegRowDecoder& decoder) {
    std::vector<std::uint8_t> band(static_cast<std::size_t>(decoder.Width()) * 3 * 16);
    std::uint8_t* rows[16];
    for (int i = 0; i < 16; ++i)
        rows[i] = band.data() + static_cast<std::size_t>(i) * decoder.Width() * 3;
    while (decoder.RowsRead() < decoder.Height())
        decoder.ReadRows24(rows, std::min(16, decoder.Height() - decoder.RowsRead()));
    decoder.Finish();
}

// A progressive file keeps every coefficient while it decodes, two bytes
// for each of the luma samples at least: that store is held from the start
// of the decoding to its end.
TEST(ReaderMemory, JpegDecodingHoldsItsCoefficientStoreWhileItRuns) {
    EncodeRequest request;
    request.width = 800;
    request.height = 600;
    request.progressive = true;
    request.samples.resize(800 * 600 * 3);
    for (std::size_t i = 0; i < request.samples.size(); ++i)
        request.samples[i] = static_cast<std::uint8_t>(i * 7 / 5);
    const std::vector<std::uint8_t> file = EncodeWithLibjpeg(request);
    const std::size_t before = MemoryReserved();
    {
        JpegRowDecoder decoder(file.data(), file.size(), {}, JpegRowDecoder::Rows::HandedOn);
        EXPECT_GE(MemoryReserved() - before, std::size_t{800} * 600 * 2);
        readAllRows(decoder);
    }
    EXPECT_EQ(MemoryReserved(), before);
}

// Under a ceiling below a picture's own size, a JPEG still decodes band by
// band (the streamed path holds no picture), while the whole picture is
// refused for the ceiling.
TEST(ReaderMemory, JpegRowsDecodeUnderACeilingBelowTheirPicture) {
    const std::vector<std::uint8_t> file = EncodeJPEG(MakePhotoLike(1500, 1000));
    FakeSystemMemory plenty(100 * kGiB);
    const MemoryCeiling ceiling(MemoryReserved() + 3 * kMB);
    EXPECT_THROW(DecodeJPEG(file.data(), file.size(), {}), EOutOfMemory);
    JpegRowDecoder decoder(file.data(), file.size(), {}, JpegRowDecoder::Rows::HandedOn);
    readAllRows(decoder);
    EXPECT_EQ(decoder.RowsRead(), 1000);
}

struct EncoderCase {
    const char* name;
    const char* fileName;
    int depth;            // of the picture saved: as the writer takes it
    bool noise;           // else a smooth photo
    std::size_t room;     // beside the picture
    const char* refused;  // the start of the refusal
};

void PrintTo(const EncoderCase& c, std::ostream* os) {
    *os << c.name;
}

class EncoderMemory : public ::testing::TestWithParam<EncoderCase> {};

// What an encoder makes grows with the picture and is asked of the budget
// before it is taken, also while libjpeg is at work: without the room the
// save is refused and writes nothing.
TEST_P(EncoderMemory, TheOutputIsReservedBeforeItGrows) {
    const EncoderCase& c = GetParam();
    TDIB picture =
        c.noise ? MakePicture(
                      1500, 1000,
                      [](int x, int y) { return (x * 7919 + y * 104729) * 2654435761u & 0xFFFFFF; })
                : MakePhotoLike(1500, 1000);
    if (c.depth == 8) picture.SetPixelFormat(PixelFormat8Bit);
    TempDir dir;
    FakeSystemMemory plenty(100 * kGiB);
    const MemoryCeiling ceiling(MemoryReserved() + c.room);
    const std::string message =
        MessageOf<EOutOfMemory>([&] { SavePictureToFile(picture, dir.file(c.fileName)); });
    EXPECT_EQ(message.rfind(c.refused, 0), 0u) << message;
    EXPECT_TRUE(EntriesOf(dir.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(Writers, EncoderMemory,
                         ::testing::Values(EncoderCase{"Jpeg", "a.jpg", 24, false, 64 * 1024,
                                                       "The JPEG encoder's output needs"},
                                           EncoderCase{"JpegGrowing", "a.jpg", 24, true, 700 * 1024,
                                                       "The JPEG encoder's output needs"},
                                           EncoderCase{"Gif", "a.gif", 8, false, 64 * 1024,
                                                       "The GIF code stream needs"}),
                         NameOfParam());

// ------------------------------------------------------------------ scaling

TEST(ScaleMemory, PlanRefusesAResultTheBudgetCannotGive) {
    TDIB source = BlankTrueColour(100, 100);
    ScaleSettings settings;
    settings.HorzValue = settings.VertValue = 5000;  // 5000 x 5000: 75 MB
    ScalePlan plan;
    {
        FakeSystemMemory system(60 * kMB);
        const std::string message =
            MessageOf([&] { PlanScale(settings, WholePicture(100, 100), plan); });
        EXPECT_EQ(message.rfind("Scaled picture of 5000 x 5000 pixels needs 7", 0), 0u) << message;
        EXPECT_NE(message.find(" MB of memory; 60 MB can be had now"), std::string::npos)
            << message;
        EXPECT_EQ(plan.TargetWidth, 0) << "the plan is written only when accepted";
        // Sizing alone asks for nothing.
        EXPECT_EQ(SizeScale(settings, WholePicture(100, 100), plan), ScaleRefusal::None);
        EXPECT_EQ(plan.FinishedWidth, 5000);
    }
    FakeSystemMemory system(100 * kMB);
    EXPECT_EQ(PlanScale(settings, WholePicture(100, 100), plan), ScaleRefusal::None);
}

// The bound the check before a run counts is never below what the run
// itself reserves for its work rows.
TEST(ScaleMemory, WorkBoundCoversTheRunsOwnReservation) {
    struct Size {
        int selWidth, selHeight, width, height, rotation;
    };
    const Size sizes[] = {{40, 900, 30, 7, kRotate0},     {40, 900, 30, 899, kRotateRight},
                          {300, 20, 900, 60, kRotate180}, {17, 1000, 500, 3, kRotateLeft},
                          {64, 64, 64, 64, kRotate0},     {1000, 2, 3, 2, kRotateRight}};
    for (const Size& s : sizes) {
        TDIB source = BlankTrueColour(s.selWidth, s.selHeight);
        ScaleSettings settings;
        settings.Unit = ScaleUnit::Pixel;
        settings.AspectLock = false;
        settings.Rotation = s.rotation;
        const bool quarter = s.rotation == kRotateRight || s.rotation == kRotateLeft;
        settings.HorzValue = quarter ? s.height : s.width;
        settings.VertValue = quarter ? s.width : s.height;
        const SelectionRect whole = WholePicture(s.selWidth, s.selHeight);
        ScalePlan plan;
        ASSERT_EQ(PlanScale(settings, whole, plan), ScaleRefusal::None);
        ResampleTables tables;
        TDIB result;
        RunScale(source, whole, settings, plan, result, tables);
        EXPECT_GE(ScaleWorkBytes(plan, whole), tables.Scratch.Memory.bytes())
            << s.selWidth << "x" << s.selHeight << " -> " << s.width << "x" << s.height;
        EXPECT_GE(tables.Scratch.Memory.bytes(), tables.Scratch.Ring.size());
    }
}

TEST(ScaleMemory, ARunHoldsItsResultAndWorkRowsOnly) {
    FakeSystemMemory system(kNoLimit);
    TDIB source = BlankTrueColour(300, 200);
    ScaleSettings settings;
    settings.HorzValue = settings.VertValue = 400;
    ScalePlan plan;
    ASSERT_EQ(PlanScale(settings, WholePicture(300, 200), plan), ScaleRefusal::None);
    ResampleTables tables;
    TDIB result;
    const std::size_t before = MemoryReserved();
    RunScale(source, WholePicture(300, 200), settings, plan, result, tables);
    // The 4 bytes of the 1 x 1 store the result had are given back.
    EXPECT_EQ(MemoryReserved() - before + 4, result.BitsSize() + tables.Scratch.Memory.bytes());
}

}  // namespace
