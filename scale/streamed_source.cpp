#include "scale/streamed_source.h"

#include <fstream>
#include <stdexcept>

#include "picture/bmp/bmp_row_reader.h"
#include "picture/jpeg/jpeg_row_decoder.h"
#include "picture/picture_loader.h"
#include "picture/png/png_picture.h"
#include "picture/png/png_row_decoder.h"
#include "picture/system/file_io.h"

namespace {

// A damaged file that libjpeg decodes with warnings could come out otherwise
// from a file read in pieces than from one held whole (libjpeg's ways
// through damaged data may depend on how much of it is in hand), so the
// first warning stops the streamed job and leaves it to the whole path.
class DamagedData : public std::runtime_error {
public:
    DamagedData() : std::runtime_error("JPEG: damaged data") {}
};

class JpegSource : public StreamedSource {
public:
    explicit JpegSource(const std::string& fileName)
        : decoder_(fileName, ReaderLimits(), JpegRowDecoder::Rows::HandedOn) {
        if (decoder_.ImageDataWarnings() > 0) throw DamagedData();
    }
    int Width() const override { return decoder_.Width(); }
    int Height() const override { return decoder_.Height(); }
    void Produce(std::uint8_t* const* rows, int count) override {
        decoder_.ReadRows24(rows, count);
        if (decoder_.ImageDataWarnings() > 0) throw DamagedData();
    }
    void Finish() override {
        decoder_.Finish();
        if (decoder_.ImageDataWarnings() > 0) throw DamagedData();
    }

private:
    JpegRowDecoder decoder_;
};

class PngSource : public StreamedSource {
public:
    explicit PngSource(const std::string& fileName) : decoder_(fileName, ReaderLimits()) {}
    bool readsRows() const { return !decoder_.Interlaced(); }
    int Width() const override { return decoder_.Width(); }
    int Height() const override { return decoder_.Height(); }
    void Produce(std::uint8_t* const* rows, int count) override {
        decoder_.ReadRows24(rows, count);
    }
    void Finish() override { decoder_.Finish(); }

private:
    PngRowDecoder decoder_;
};

class BmpSource : public StreamedSource {
public:
    explicit BmpSource(const std::string& fileName) : reader_(fileName, ReaderLimits()) {}
    bool readsRows() const { return reader_.ReadsRows(); }
    int Width() const override { return reader_.Width(); }
    int Height() const override { return reader_.Height(); }
    void Produce(std::uint8_t* const* rows, int count) override { reader_.ReadRows24(rows, count); }
    void Finish() override {}

private:
    BmpRowReader reader_;
};

template <class Source>
std::unique_ptr<StreamedSource> ifRowsAreRead(std::unique_ptr<Source> source) {
    if (!source->readsRows()) return nullptr;
    return source;
}

}  // namespace

std::unique_ptr<StreamedSource> OpenStreamedSource(const std::string& fileName) {
    std::uint8_t head[8] = {};
    std::size_t size = 0;
    {
        std::ifstream in = OpenForReading(fileName);
        in.read(reinterpret_cast<char*>(head), sizeof head);
        size = static_cast<std::size_t>(in.gcount());
    }
    // LoadPictureFile offers a file to the metafile reader before the PNG
    // and BMP readers when its name says so.
    const bool metafileFirst = HasMetafileExtension(fileName);
    if (PNGHasSignature(head, size)) {
        if (metafileFirst) return nullptr;
        return ifRowsAreRead(std::make_unique<PngSource>(fileName));
    }
    if (size >= 2 && head[0] == 'B' && head[1] == 'M') {
        if (metafileFirst) return nullptr;
        return ifRowsAreRead(std::make_unique<BmpSource>(fileName));
    }
    return std::make_unique<JpegSource>(fileName);
}
