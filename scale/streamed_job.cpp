#include "scale/streamed_job.h"

#include <memory>
#include <ostream>
#include <stdexcept>

#include "picture/picture_row_writer.h"
#include "picture/picture_saver.h"
#include "picture/system/file_io.h"
#include "picture/system/memory_budget.h"
#include "picture/system/system_errors.h"
#include "scale/result_store.h"
#include "scale/streamed_run.h"
#include "scale/streamed_source.h"

namespace {

class WriterSink : public FinishedRowSink {
public:
    explicit WriterSink(PictureRowWriter& writer) : writer_(writer) {}
    void PutRow(const std::uint8_t* row) override { writer_.WriteRow(row); }

private:
    PictureRowWriter& writer_;
};

// Writes `output` through the safe save, with the writer its name picks and
// the header facts the result buffer would carry; `run` makes the rows.
template <class Run>
void writeStreamed(const std::string& output, PictureFileType type, const ScaleSettings& settings,
                   const ScalePlan& plan, const StreamedJobContext& context, Run run) {
    const bool topFirst = FinishedRowOrderFor(settings.Rotation) == FinishedRowOrder::TopFirst;
    const ResultStoreFacts facts =
        FactsOfResultStore(context.ResultBuffer, plan.TargetWidth, plan.TargetHeight,
                           plan.FinishedWidth, plan.FinishedHeight);
    WriteFileAtomically(
        output,
        [&](std::ostream& out) {
            std::unique_ptr<PictureRowWriter> writer =
                OpenPictureRowWriter(type, facts.Header, facts.ColorTable.data(), topFirst, out,
                                     context.Bands.OutputRowsPerWrite);
            WriterSink sink(*writer);
            run(sink);
            writer->Finish();
        },
        context.Save);
}

}  // namespace

bool CanStreamResult(const std::string& outputName, int rotation) {
    return CanStreamResult(FileTypeForName(outputName), rotation);
}

bool CanStreamResult(PictureFileType type, int rotation) {
    const FinishedRowOrder order = FinishedRowOrderFor(rotation);
    return order != FinishedRowOrder::Columns &&
           CanWriteRows(type, order == FinishedRowOrder::TopFirst);
}

bool StreamSourceJob(const std::string& source, const std::string& output,
                     const RequestForSize& requestFor, StreamedJobContext& context,
                     ScalePlan& plan) {
    return StreamSourceJob(source, output, FileTypeForName(output), requestFor, context, plan);
}

bool StreamSourceJob(const std::string& source, const std::string& output,
                     PictureFileType outputType, const RequestForSize& requestFor,
                     StreamedJobContext& context, ScalePlan& plan) {
    // Whatever stops the job before the decoder got through the file (not a
    // source read in bands, one refused at its header, damaged data, a
    // request PlanScale refuses) leaves it to the whole path, which then ends as it always
    // has. Only a busy budget is passed on, for the job to wait, and the
    // writer's error once the file was decoded.
    bool decoded = false;
    try {
        const std::unique_ptr<StreamedSource> producer = OpenStreamedSource(source);
        if (!producer) return false;
        const int width = producer->Width();
        const int height = producer->Height();
        const SizedRequest request = requestFor(width, height);
        const SelectionRect& selection = request.Selection;
        const ScaleSettings& settings = request.Settings;
        if (!CanStreamResult(outputType, settings.Rotation)) return false;
        ScalePlan accepted;
        if (SizeScale(settings, selection, accepted) != ScaleRefusal::None) return false;
        CheckFileTypeCanHold(outputType, accepted.FinishedWidth, accepted.FinishedHeight,
                             context.ResultBuffer.ColorsUsed());
        // The bands in flight are held on this thread's account while the
        // decoder fills them, on its own thread or this one.
        MemoryReservation bands = ReserveMemory(
            BandedRows::BytesHeld(width, selection, context.Bands), "The picture's bands");
        bands.markTaken();

        writeStreamed(output, outputType, settings, accepted, context, [&](FinishedRowSink& sink) {
            BandedRows rows(*producer, width, height, selection, context.Bands);
            RunScaleToRows(rows, width, height, selection, settings, accepted, context.Tables, sink,
                           context.Progress);
            rows.Finish();
            decoded = true;
        });
        plan = accepted;
        return true;
    } catch (const EMemoryBusy&) {
        throw;
    } catch (const EFileExists&) {
        throw;  // the whole path would find the same file there
    } catch (...) {
        if (decoded) throw;
        return false;
    }
}

void StreamLoadedJob(const TDIB& source, const SelectionRect& selection,
                     const ScaleSettings& settings, const ScalePlan& plan,
                     const std::string& output, StreamedJobContext& context) {
    StreamLoadedJob(source, selection, settings, plan, output, FileTypeForName(output), context);
}

void StreamLoadedJob(const TDIB& source, const SelectionRect& selection,
                     const ScaleSettings& settings, const ScalePlan& plan,
                     const std::string& output, PictureFileType outputType,
                     StreamedJobContext& context) {
    TDIB picture(source);
    picture.SetPixelFormat(PixelFormat24Bit);
    writeStreamed(output, outputType, settings, plan, context, [&](FinishedRowSink& sink) {
        PictureSelectionRows rows(picture, selection);
        RunScaleToRows(rows, picture.Width(), picture.Height(), selection, settings, plan,
                       context.Tables, sink, context.Progress);
    });
}
