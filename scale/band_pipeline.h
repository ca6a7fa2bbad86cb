#pragma once

// The selection's rows passed from a decoder to the scale run in bands,
// through a bounded queue. With a thread of its own the decoder works ahead
// while the run scales and writes, never more than a few bands ahead;
// without one, a band is decoded each time the run needs rows. Either way
// the rows held are the bands in flight, not the picture.
//
// Rows above the selection are made and dropped. Rows below it are made and
// dropped too, once the run has its last row, so that the decoder reads its
// file to the end and refuses exactly the files a decoding of the whole
// picture refuses.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "scale/scale_rows.h"

// Makes a picture's rows in order, top to bottom.
class RowProducer {
public:
    virtual ~RowProducer() = default;
    // The next `count` rows, each 3 * picture width bytes (blue, green, red).
    virtual void Produce(std::uint8_t* const* rows, int count) = 0;
    // After the picture's last row.
    virtual void Finish() = 0;
};

struct BandSettings {
    int RowsPerBand = 16;
    int BandsAhead = 8;          // bands the producer may have waiting for the run
    bool OwnThread = false;      // the producer runs on a thread of its own
    int OutputRowsPerWrite = 0;  // rows a BMP writer gathers per write (0: about 256 KB)
};

class BandedRows : public SelectedRowSource {
public:
    // The selection of a pictureWidth x pictureHeight picture made by
    // `producer`, which must outlive this object. With OwnThread the
    // producer starts at once.
    BandedRows(RowProducer& producer, int pictureWidth, int pictureHeight,
               const SelectionRect& selection, const BandSettings& settings);
    // Stops the producer's thread (after the band it is making) if it still runs.
    ~BandedRows() override;
    BandedRows(const BandedRows&) = delete;
    BandedRows& operator=(const BandedRows&) = delete;

    // Rethrows the producer's failure when it happens before these rows.
    void NextRows(int count, const std::uint8_t** rows) override;

    // After the selection's last row: waits until the producer has made the
    // rest of the picture and finished, and rethrows its failure.
    void Finish();

    // True when the producer got through the whole picture and finished.
    bool ProducerFinished() const;

    // The most bytes of rows held at once so far; never above BytesHeld.
    std::size_t PeakBandBytes() const;

    // The most bytes of rows an object with these arguments can hold at
    // once: the bands in flight and one piece of dropped rows, whatever the
    // picture's height.
    static std::size_t BytesHeld(int pictureWidth, const SelectionRect& selection,
                                 const BandSettings& settings);

private:
    struct Band {
        std::vector<std::uint8_t> bytes;
        int first = 0;  // selection row of the band's first row
        int count = 0;
    };

    // Producer side. Makes the next band of the selection (the rows above it
    // first); false when every band is made or the run asked to stop.
    bool makeBand();
    // Makes the rows below the selection and finishes the producer.
    void makeRest();
    void dropRows(int count);
    void produceLoop();
    std::unique_ptr<Band> takeEmptyBand();

    // Run side: the next band from the queue, made here without a thread.
    std::unique_ptr<Band> nextReadyBand();

    RowProducer& producer_;
    const BandSettings settings_;
    const int pictureHeight_;
    const SelectionRect selection_;
    const std::size_t rowBytes_;
    const std::size_t left_;
    int nextSelectedRow_ = 0;  // producer side: the next selection row to make
    bool aboveDropped_ = false;
    std::vector<std::uint8_t> dropped_;  // rows made outside the selection

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<Band>> ready_;
    std::vector<std::unique_ptr<Band>> empty_;
    bool stop_ = false;
    bool allBandsMade_ = false;
    bool finished_ = false;
    std::exception_ptr failure_;
    int peakBands_ = 0;
    int bandsInUse_ = 0;
    std::size_t droppedBytes_ = 0;

    std::deque<std::unique_ptr<Band>> held_;  // run side: bands of the rows handed out
    int nextRow_ = 0;                         // run side: the next selection row to hand out
    std::thread thread_;
};
