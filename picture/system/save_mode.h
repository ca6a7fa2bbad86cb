#pragma once

// Whether a save may take the place of a file that stands at its name
// (file_io.h says how each is kept).
enum class SaveMode {
    Replace,       // a regular file there is replaced, atomically
    NeverReplace,  // a file there, or one that appears there meanwhile, stays
};
