#pragma once

// What every file job of a run is asked to do: the window's scale settings
// and the requests that depend on each picture's own size or on what
// stands at its output. The command line and the window's batch run fill
// it in their own ways; the job (scale_file.h) and the runner
// (job_runner.h) know nothing else of them.

#include <cstdint>
#include <optional>
#include <string>

#include "picture/picture_saver.h"
#include "scale/scale_settings.h"

// A size given by one edge of the finished picture, the other following
// by the aspect; resolved for each picture once its size is known
// (job_size.h).
enum class EdgeRule { None, Long, Short };

struct JobSettings {
    ScaleSettings Settings;                  // size, unit, lock, tone, rotation
    std::optional<SelectionRect> Selection;  // before ordering and clamping; none: all
    EdgeRule Edge = EdgeRule::None;
    std::int32_t EdgeLength = 0;  // pixels, 1 or more
    bool NoEnlarge = false;       // no picture grows
    bool AutoOrient = false;      // a JPEG's EXIF orientation applied first
    bool Overwrite = false;       // an output already there is replaced (a regular file only)
    // An output in its source's own folder is refused (kSameFolderMessage):
    // for runs whose outputs have no suffix to tell them from their sources.
    bool RefuseSourceFolder = false;
    // The type the outputs are written as; none: the one each output's name
    // says (FileTypeForName).
    std::optional<PictureFileType> OutputType;

    PictureFileType TypeOf(const std::string& output) const {
        return OutputType ? *OutputType : FileTypeForName(output);
    }
};
