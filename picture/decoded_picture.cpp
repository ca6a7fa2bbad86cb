#include "picture/decoded_picture.h"

#include "picture/errors.h"
#include "picture/size_limits.h"

void DecodedPicture::allocate(int newWidth, int newHeight, int newDepth) {
    if (newWidth <= 0 || newHeight <= 0) throw EInvalidGraphic("Invalid picture size");
    if (newDepth != 1 && newDepth != 4 && newDepth != 8 && newDepth != 16 && newDepth != 24 &&
        newDepth != 32)
        throw EInvalidGraphic("Invalid picture depth");
    const std::size_t bytes = checkedPictureBytes(newWidth, newHeight, newDepth);
    bits = PixelBlock(bytes, DescribePicture(newWidth, newHeight));
    width = newWidth;
    height = newHeight;
    depth = newDepth;
    stride = dibStride(newWidth, newDepth);
}
