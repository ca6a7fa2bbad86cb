#pragma once

// The source files a streamed job reads in bands: a JPEG (stopped at the
// first warning about damaged data, which could decode otherwise in pieces
// than whole), a PNG that is not interlaced, and an uncompressed BMP. Each
// gives the rows LoadPictureFile's picture would have, top row first, at 24
// bits, and fails on what LoadPictureFile would refuse (though not always
// with its message).

#include <memory>
#include <string>

#include "scale/band_pipeline.h"

class StreamedSource : public RowProducer {
public:
    virtual int Width() const = 0;
    virtual int Height() const = 0;
};

// The source of `fileName`, its header read and its decoder's own memory
// held; nullptr when the file is to be read whole (an interlaced PNG, an RLE
// BMP, a file that LoadPictureFile would offer to another reader first).
// Throws what the decoder throws for a file it refuses, and for a JPEG
// whose header already drew a warning about damaged data.
std::unique_ptr<StreamedSource> OpenStreamedSource(const std::string& fileName);
