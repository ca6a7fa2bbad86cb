#include "picture/picture_loader.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "picture/gif/gif_picture.h"
#include "picture/jpeg/jpeg_picture.h"
#include "picture/metafile/metafile_renderer.h"
#include "picture/picture_registry.h"
#include "picture/png/png_picture.h"
#include "picture/refusal_reason.h"
#include "picture/system/byte_reader.h"
#include "picture/system/file_io.h"
#include "picture/system/memory_budget.h"
#include "picture/system/memory_stream.h"

namespace {

using Bytes = std::shared_ptr<const std::vector<std::uint8_t>>;

// Why the attempts so far refused the file, where that is worth telling:
// the first picture the memory budget could not give, and what the reader
// that knew the file (by its signature, or a metafile by its name) found.
struct Refusal {
    std::string memory;
    std::string knower;  // the format of that reader; empty when none knew it
    std::string reason;

    void note(const std::string& format, const std::exception& error) {
        if (reason.empty() && !knower.empty() && format == knower)
            reason = RefusalReason(error, format);
    }
};

// Runs one step of the chain for the reader of `format`; false when it
// failed. The first memory refusal is noted, and the reason of the reader
// that knew the file. Only a waiting account's EMemoryBusy leaves the chain:
// the whole load is to be tried again once other work has given its memory
// back.
template <typename Step>
bool tryStep(Refusal& refusal, const std::string& format, Step step) {
    try {
        step();
        return true;
    } catch (const EMemoryBusy&) {
        throw;
    } catch (const EOutOfMemory& e) {
        if (refusal.memory.empty()) refusal.memory = e.what();
        refusal.note(format, e);
        return false;
    } catch (const std::exception& e) {
        refusal.note(format, e);
        return false;
    } catch (...) {
        return false;
    }
}

// One attempt: the reader fills a buffer of its own, which is widened to 24
// bits before it replaces the target, so a failure at any step leaves the
// target as it was. Whatever the reader made is released on leaving.
template <typename Read>
bool attempt(TDIB& target, Refusal& refusal, const std::string& format, Read read) {
    return tryStep(refusal, format, [&] {
        TDIB loaded;
        read(loaded);
        loaded.SetPixelFormat(PixelFormat24Bit);
        target.Assign(loaded);
    });
}

// An EMF starts with its header record (type 1) carrying " EMF" at offset
// 40; anything else is taken for a WMF, with or without the placeable header.
MetafileKind metafileKindOf(const std::vector<std::uint8_t>& b) {
    const ByteReader r(b.data(), b.size());
    if (r.has(0, 44) && r.u32(0) == 1 && r.u32(40) == 0x464D4520u) return MetafileKind::EMF;
    return MetafileKind::WMF;
}

// The readers that work on the bytes in memory, in their order.
bool loadFromBytes(const Bytes& bytes, const std::string& fileName, TDIB& target,
                   const ReaderLimits& limits, Refusal& refusal) {
    const std::uint8_t* data = bytes->data();
    const std::size_t size = bytes->size();
    if (attempt(target, refusal, "JPEG", [&](TDIB& loaded) {
            TJPEGPicture jpeg;
            jpeg.SetLimits(limits);
            jpeg.LoadFromBytes(bytes);
            loaded.Assign(jpeg.TakeBitmap());
        }))
        return true;
    if (attempt(target, refusal, "GIF", [&](TDIB& loaded) {
            TGIFPicture gif;
            gif.SetLimits(limits);
            gif.LoadFromBytes(data, size);
            loaded.Assign(gif.TakeBitmap());
        }))
        return true;
    const std::string metafile = FormatKnowing(nullptr, 0, fileName);  // by the name alone
    if (!metafile.empty() && attempt(target, refusal, metafile, [&](TDIB& loaded) {
            DecodedPicture drawn;
            RenderMetafile(data, size, metafileKindOf(*bytes), drawn, limits);
            loaded.Assign(std::move(drawn));
        }))
        return true;
    return attempt(target, refusal, "PNG", [&](TDIB& loaded) {
        TPNGPicture png;
        png.SetLimits(limits);
        png.LoadFromBytes(data, size);
        loaded.Assign(png.TakeBitmap());
    });
}

}  // namespace

bool HasMetafileExtension(const std::string& fileName) {
    const PictureRegistration* registration = RegistrationForName(fileName);
    return registration && registration->pictureClass == PictureClass::Metafile;
}

bool LoadPictureBytes(Bytes bytes, const std::string& fileName, TDIB& target,
                      const ReaderLimits& limits) {
    if (!bytes) return false;
    Refusal refusal;
    if (loadFromBytes(bytes, fileName, target, limits, refusal)) return true;
    return attempt(target, refusal, "BMP", [&](TDIB& loaded) {
        MemoryInputStream in(bytes->data(), bytes->size());
        loaded.LoadFromStream(in, limits);
    });
}

namespace {

// The first bytes of a file; fewer or none where it has or gives no more.
struct Head {
    std::uint8_t bytes[8] = {};
    std::size_t size = 0;
};

Head headOf(const std::string& fileName) {
    Head head;
    try {
        std::ifstream in = OpenForReading(fileName);
        in.read(reinterpret_cast<char*>(head.bytes), sizeof head.bytes);
        head.size = static_cast<std::size_t>(in.gcount());
    } catch (...) {
    }
    return head;
}

// Whether any reader that works in memory could take a file starting with
// these bytes. Each of them refuses a file without its signature at once,
// so a BMP or a file of no known kind is not read into memory for them.
bool inMemoryReadersMayTake(const Head& head, const std::string& fileName) {
    return JPEGHasSignature(head.bytes, head.size) || GIFHasSignature(head.bytes, head.size) ||
           PNGHasSignature(head.bytes, head.size) || HasMetafileExtension(fileName);
}

}  // namespace

bool LoadPictureFile(const std::string& fileName, TDIB& target, std::string* whyRefused) {
    const Head head = headOf(fileName);
    Refusal refusal;
    refusal.knower = FormatKnowing(head.bytes, head.size, fileName);
    if (inMemoryReadersMayTake(head, fileName)) {
        Bytes bytes;
        MemoryReservation fileMemory;
        // Unreadable into memory, the file still gets the BMP reader's turn below.
        tryStep(refusal, std::string(), [&] {
            std::error_code ec;
            const auto size = std::filesystem::file_size(fileName, ec);
            if (!ec) fileMemory = ReserveMemory(static_cast<std::size_t>(size), "The file");
            bytes = std::make_shared<const std::vector<std::uint8_t>>(ReadWholeFile(fileName));
        });
        if (bytes && loadFromBytes(bytes, fileName, target, ReaderLimits(), refusal)) return true;
    }
    // The file's bytes are gone before the BMP reader streams the pixels in
    // itself, so a large BMP is never held twice.
    if (attempt(target, refusal, "BMP", [&](TDIB& loaded) { loaded.LoadFromFile(fileName); }))
        return true;
    if (whyRefused) {
        const std::string unreadable = UnreadableReason(fileName);
        *whyRefused = !unreadable.empty()       ? unreadable
                      : !refusal.reason.empty() ? refusal.reason
                      : !refusal.memory.empty() ? refusal.memory
                      : refusal.knower.empty()  ? UnknownFormatReason(head.bytes, head.size)
                                                : refusal.knower + ": the file is damaged";
    }
    return false;
}
