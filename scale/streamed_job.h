#pragma once

// A job of loading, scaling and saving one file done without holding the
// whole source or the whole result. A JPEG, PNG or BMP source is decoded
// band by band (streamed_source.h; on a thread of its own when the caller
// can spare a core), the passes run as its rows arrive, and the finished
// rows go straight into the output file's writer through the safe save.
// Other sources are loaded whole, as before, and only the result is
// streamed. Either way the file written is,
// byte for byte, the one the whole-picture path writes: LoadPictureFile,
// RunScale into the given result buffer, SavePictureToFile.

#include <functional>
#include <string>

#include "picture/dib.h"
#include "picture/picture_saver.h"
#include "picture/system/save_mode.h"
#include "scale/band_pipeline.h"
#include "scale/scale_run.h"

// True when a job saving to `outputName` with this rotation can stream its
// result: JPEG and PNG files of unrotated runs, BMP files of unrotated runs
// and half turns. GIF files and quarter turns need the whole picture.
bool CanStreamResult(const std::string& outputName, int rotation);
// The same for an output of `type`, whatever its name.
bool CanStreamResult(PictureFileType type, int rotation);

// What a streamed job uses besides its files.
struct StreamedJobContext {
    ResampleTables& Tables;    // the run's tables and work buffers, as RunScale's
    const TDIB& ResultBuffer;  // the buffer the whole path would scale into;
                               // only its header facts are read
    BandSettings Bands;
    ScaleProgress Progress;
    SaveMode Save = SaveMode::Replace;  // whether the output may take the place of a file
};

// What to scale in a picture of this size, and how: the settings may
// depend on the picture's size (a size given by its longer edge, say).
struct SizedRequest {
    SelectionRect Selection;
    ScaleSettings Settings;
};
using RequestForSize = std::function<SizedRequest(int width, int height)>;

// The job for a source read in bands. Returns false, having changed no file,
// when it cannot be sure to end as the whole path would: the source is not
// one OpenStreamedSource reads in bands, or not one its decoder gets through
// to its end (damaged data; for a JPEG, a warning), PlanScale
// refuses the request (or finds it too large), or something failed before
// the decoder got through the file. The caller then runs the whole path, which ends as it always
// has. When the decoder got through and the writing failed, the writer's error is thrown, as the
// whole path's save would throw it, an existing output left as it was; EFileExists, from a save
// that may not replace (StreamedJobContext::Save), is thrown whenever it comes. On success `plan`
// holds the run's plan.
bool StreamSourceJob(const std::string& source, const std::string& output,
                     const RequestForSize& requestFor, StreamedJobContext& context,
                     ScalePlan& plan);
// The same, writing `output` as a file of `outputType` whatever its name.
bool StreamSourceJob(const std::string& source, const std::string& output,
                     PictureFileType outputType, const RequestForSize& requestFor,
                     StreamedJobContext& context, ScalePlan& plan);

// The scale and the save of a job whose source is loaded whole (24 bits),
// with a plan SizeScale accepted: RunScale and SavePictureToFile without the
// result buffer. Fails as they do.
void StreamLoadedJob(const TDIB& source, const SelectionRect& selection,
                     const ScaleSettings& settings, const ScalePlan& plan,
                     const std::string& output, StreamedJobContext& context);
// The same, writing `output` as a file of `outputType` whatever its name.
void StreamLoadedJob(const TDIB& source, const SelectionRect& selection,
                     const ScaleSettings& settings, const ScalePlan& plan,
                     const std::string& output, PictureFileType outputType,
                     StreamedJobContext& context);
