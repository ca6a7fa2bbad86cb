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
#include "picture/system/byte_reader.h"
#include "picture/system/file_io.h"
#include "picture/system/memory_budget.h"
#include "picture/system/memory_stream.h"

namespace {

using Bytes = std::shared_ptr<const std::vector<std::uint8_t>>;

// Why the attempts so far refused the file, where that is worth telling:
// the first picture the memory budget could not give.
struct Refusal {
    std::string memory;
};

// Runs one step of the chain; false when it failed. A memory refusal is
// noted, the first one being the one told. Only a waiting account's
// EMemoryBusy leaves the chain: the whole load is to be tried again once
// other work has given its memory back.
template <typename Step>
bool tryStep(Refusal& refusal, Step step) {
    try {
        step();
        return true;
    } catch (const EMemoryBusy&) {
        throw;
    } catch (const EOutOfMemory& e) {
        if (refusal.memory.empty()) refusal.memory = e.what();
        return false;
    } catch (...) {
        return false;
    }
}

// One attempt: the reader fills a buffer of its own, which is widened to 24
// bits before it replaces the target, so a failure at any step leaves the
// target as it was. Whatever the reader made is released on leaving.
template <typename Read>
bool attempt(TDIB& target, Refusal& refusal, Read read) {
    return tryStep(refusal, [&] {
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
    if (attempt(target, refusal, [&](TDIB& loaded) {
            TJPEGPicture jpeg;
            jpeg.SetLimits(limits);
            jpeg.LoadFromBytes(bytes);
            loaded.Assign(jpeg.TakeBitmap());
        }))
        return true;
    if (attempt(target, refusal, [&](TDIB& loaded) {
            TGIFPicture gif;
            gif.SetLimits(limits);
            gif.LoadFromBytes(data, size);
            loaded.Assign(gif.TakeBitmap());
        }))
        return true;
    if (HasMetafileExtension(fileName) && attempt(target, refusal, [&](TDIB& loaded) {
            DecodedPicture drawn;
            RenderMetafile(data, size, metafileKindOf(*bytes), drawn);
            loaded.Assign(std::move(drawn));
        }))
        return true;
    return attempt(target, refusal, [&](TDIB& loaded) {
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
    return attempt(target, refusal, [&](TDIB& loaded) {
        MemoryInputStream in(bytes->data(), bytes->size());
        loaded.LoadFromStream(in);
    });
}

namespace {

// Whether any reader that works in memory could take a file starting with
// these bytes. Each of them refuses a file without its signature at once,
// so a BMP or a file of no known kind is not read into memory for them.
bool inMemoryReadersMayTake(const std::string& fileName) {
    std::uint8_t head[8] = {};
    std::size_t got = 0;
    try {
        std::ifstream in = OpenForReading(fileName);
        in.read(reinterpret_cast<char*>(head), sizeof head);
        got = static_cast<std::size_t>(in.gcount());
    } catch (...) {
        return false;
    }
    return JPEGHasSignature(head, got) || GIFHasSignature(head, got) ||
           PNGHasSignature(head, got) || HasMetafileExtension(fileName);
}

}  // namespace

bool LoadPictureFile(const std::string& fileName, TDIB& target, std::string* whyRefused) {
    Refusal refusal;
    if (inMemoryReadersMayTake(fileName)) {
        Bytes bytes;
        MemoryReservation fileMemory;
        // Unreadable into memory, the file still gets the BMP reader's turn below.
        tryStep(refusal, [&] {
            std::error_code ec;
            const auto size = std::filesystem::file_size(fileName, ec);
            if (!ec) fileMemory = ReserveMemory(static_cast<std::size_t>(size), "The file");
            bytes = std::make_shared<const std::vector<std::uint8_t>>(ReadWholeFile(fileName));
        });
        if (bytes && loadFromBytes(bytes, fileName, target, ReaderLimits(), refusal)) return true;
    }
    // The file's bytes are gone before the BMP reader streams the pixels in
    // itself, so a large BMP is never held twice.
    if (attempt(target, refusal, [&](TDIB& loaded) { loaded.LoadFromFile(fileName); })) return true;
    if (whyRefused)
        *whyRefused = !refusal.memory.empty() ? refusal.memory : UnreadableReason(fileName);
    return false;
}
