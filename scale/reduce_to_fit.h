#pragma once

// A picture made small enough to fit a box, keeping its proportions: what a
// preview shows. The reduction is the scale engine's own, so a preview looks
// as the program's scaled pictures do. Pictures that fit already are not
// enlarged.

#include <functional>
#include <optional>
#include <string>

#include "picture/dib.h"

struct FittedSize {
    int Width = 0;
    int Height = 0;
};

// The largest size of the picture's proportions that fits maxWidth x
// maxHeight, each side at least 1 pixel; the picture's own size when it
// fits. Width, height and the box must be positive.
FittedSize FitWithin(int width, int height, int maxWidth, int maxHeight);

// `picture` (24 bits per pixel, as every loaded picture is) reduced to FitWithin's size; a handle
// on the picture itself when it fits. `checkpoint` is called between the steps and as the rows are
// made; it may throw to abandon the work, and the exception goes to the caller. Memory is taken
// through the pixel buffer, so a result the machine cannot hold throws EOutOfMemory.
TDIB ReduceToFit(const TDIB& picture, int maxWidth, int maxHeight,
                 const std::function<void()>& checkpoint = {});

// A picture file reduced as ReduceToFit reduces the picture LoadPictureFile
// reads from it, with that picture's size.
struct ReducedFile {
    TDIB Picture;
    int Width = 0;
    int Height = 0;
};

// The same reduction of a file, byte for byte, without holding the file's
// whole picture where it can be read in bands (streamed_source.h): then
// only bands of it and the reduced picture are held, so a preview of a
// picture of hundreds of megapixels takes a few megabytes. Files that cannot
// be read so, and files the bands refuse, are read whole. Nothing when
// LoadPictureFile refuses the file. `checkpoint` as for ReduceToFit; what
// it throws goes to the caller.
std::optional<ReducedFile> ReduceFileToFit(const std::string& fileName, int maxWidth, int maxHeight,
                                           const std::function<void()>& checkpoint = {});
