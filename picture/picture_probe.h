#pragma once

// What a file is, found without loading it: whether a reader of the loader
// chain (picture_loader.h) may take it, and the size of the picture the
// chain would give. Used to choose the pictures in a folder and to plan a
// run before any picture is decoded.

#include <optional>
#include <string>

// True when the file starts as a JPEG, GIF, PNG or BMP file does, or has a
// metafile's extension: the files the loader chain may take. A file that is
// not a regular one is never opened.
bool MayBeAPicture(const std::string& fileName);

struct PictureSize {
    int Width = 0;
    int Height = 0;
};

// The size the loader chain would give the file, read from the header of
// the first format in the chain's order whose signature the file has. A
// metafile, or a file whose header does not give a size, is loaded whole to
// learn it. Nothing when the file cannot be read or no reader takes it; then
// `whyRefused`, when given, receives the reason the loader gives for it
// (picture_loader.h). A header can promise a picture whose data then turns
// out damaged: the size says what a load would try, not that it succeeds.
std::optional<PictureSize> ProbePictureSize(const std::string& fileName,
                                            std::string* whyRefused = nullptr);
