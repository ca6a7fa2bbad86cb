#include "picture/picture_loader.h"

#include <exception>

// The chain so far holds only the BMP reader; the other readers join it in
// their fixed order.
bool LoadPictureFile(const std::string& fileName, TDIB& target) {
    try {
        TDIB loaded;
        loaded.LoadFromFile(fileName);
        loaded.SetPixelFormat(PixelFormat24Bit);
        target.Assign(loaded);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
