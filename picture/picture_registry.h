#pragma once

// The picture classes by file extension, as a desktop platform's picture
// container knows them: the program registers JPEG, DIB, PNG and GIF, the
// platform adds bitmap, icon and the two metafile kinds. The container picks
// a class by the name's extension, in any letter case. The loader chain asks
// it only one thing: whether a file would be taken as a metafile, since
// metafiles are the one kind recognised by name rather than by content.
// (The clipboard registrations of these classes are not used: copying and
// pasting go through the pixel buffer's packed DIB directly.)

#include <string>

enum class PictureClass { JPEG, DIB, PNG, GIF, Bitmap, Icon, Metafile };

struct PictureRegistration {
    const char* extension;  // without the dot, as registered
    PictureClass pictureClass;
    const char* description;
};

// The registration the extension of `fileName` (the text after the last "."
// of its file-name part) selects, compared case-insensitively; null when
// there is none.
const PictureRegistration* RegistrationForName(const std::string& fileName);
