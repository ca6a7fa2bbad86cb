#include "scale/band_pipeline.h"

#include <algorithm>

#include "scale/horizontal_pass.h"
#include "scale/scale_errors.h"

namespace {

// Rows made at a time outside the selection.
constexpr int kDropRows = 16;

}  // namespace

BandedRows::BandedRows(RowProducer& producer, int pictureWidth, int pictureHeight,
                       const SelectionRect& selection, const BandSettings& settings)
    : producer_(producer),
      settings_{std::max(1, settings.RowsPerBand), std::max(1, settings.BandsAhead),
                settings.OwnThread, settings.OutputRowsPerWrite},
      pictureHeight_(pictureHeight),
      selection_(selection),
      rowBytes_(3 * static_cast<std::size_t>(pictureWidth)),
      left_(3 * static_cast<std::size_t>(selection.Left)) {
    if (selection.Left < 0 || selection.Top < 0 || selection.Right >= pictureWidth ||
        selection.Bottom >= pictureHeight || selection.Right < selection.Left ||
        selection.Bottom < selection.Top)
        throw EScaleError("BandedRows: the selection is not inside the picture");
    if (settings_.OwnThread) thread_ = std::thread(&BandedRows::produceLoop, this);
}

BandedRows::~BandedRows() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

// ------------------------------------------------------------ producer side

void BandedRows::dropRows(int count) {
    if (count <= 0) return;
    if (dropped_.empty()) {
        dropped_.resize(rowBytes_ * kDropRows);
        std::lock_guard<std::mutex> lock(mutex_);
        droppedBytes_ = dropped_.size();
    }
    std::uint8_t* rows[kDropRows];
    for (int i = 0; i < kDropRows; ++i)
        rows[i] = dropped_.data() + rowBytes_ * static_cast<std::size_t>(i);
    while (count > 0) {
        const int n = std::min(count, kDropRows);
        producer_.Produce(rows, n);
        count -= n;
    }
}

std::unique_ptr<BandedRows::Band> BandedRows::takeEmptyBand() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (settings_.OwnThread) {
        changed_.wait(lock, [this] {
            return stop_ || static_cast<int>(ready_.size()) < settings_.BandsAhead;
        });
        if (stop_) return nullptr;
    }
    std::unique_ptr<Band> band;
    if (!empty_.empty()) {
        band = std::move(empty_.back());
        empty_.pop_back();
    } else {
        band = std::make_unique<Band>();
    }
    peakBands_ = std::max(peakBands_, ++bandsInUse_);
    return band;
}

bool BandedRows::makeBand() {
    if (!aboveDropped_) {
        dropRows(selection_.Top);
        aboveDropped_ = true;
    }
    const int selHeight = selection_.Height();
    if (nextSelectedRow_ >= selHeight) return false;
    std::unique_ptr<Band> band = takeEmptyBand();
    if (!band) return false;
    const int count = std::min(settings_.RowsPerBand, selHeight - nextSelectedRow_);
    const std::size_t bytes = rowBytes_ * static_cast<std::size_t>(count);
    if (band->bytes.size() < bytes) band->bytes.resize(bytes);
    std::vector<std::uint8_t*> rows(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        rows[i] = band->bytes.data() + rowBytes_ * static_cast<std::size_t>(i);
    producer_.Produce(rows.data(), count);
    band->first = nextSelectedRow_;
    band->count = count;
    nextSelectedRow_ += count;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ready_.push_back(std::move(band));
        allBandsMade_ = nextSelectedRow_ >= selHeight;
    }
    changed_.notify_all();
    return true;
}

void BandedRows::makeRest() {
    dropRows(pictureHeight_ - 1 - selection_.Bottom);
    producer_.Finish();
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
}

void BandedRows::produceLoop() {
    try {
        while (makeBand()) {
        }
        bool stopped;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopped = stop_;
        }
        if (!stopped) makeRest();
    } catch (...) {
        std::lock_guard<std::mutex> lock(mutex_);
        failure_ = std::current_exception();
    }
    changed_.notify_all();
}

// ----------------------------------------------------------------- run side

std::unique_ptr<BandedRows::Band> BandedRows::nextReadyBand() {
    if (!settings_.OwnThread) {
        if (ready_.empty() && !makeBand()) throw EScaleError("BandedRows: rows past the selection");
        std::unique_ptr<Band> band = std::move(ready_.front());
        ready_.pop_front();
        return band;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty() || failure_ || allBandsMade_; });
    if (ready_.empty()) {
        if (failure_) std::rethrow_exception(failure_);
        throw EScaleError("BandedRows: rows past the selection");
    }
    std::unique_ptr<Band> band = std::move(ready_.front());
    ready_.pop_front();
    lock.unlock();
    changed_.notify_all();  // room for the producer
    return band;
}

void BandedRows::NextRows(int count, const std::uint8_t** rows) {
    // Bands wholly before nextRow_ went out with earlier calls, whose rows
    // are no longer read.
    while (!held_.empty() && held_.front()->first + held_.front()->count <= nextRow_) {
        std::lock_guard<std::mutex> lock(mutex_);
        empty_.push_back(std::move(held_.front()));
        --bandsInUse_;
        held_.pop_front();
    }
    int available = held_.empty() ? 0 : held_.back()->first + held_.back()->count - nextRow_;
    while (available < count) {
        std::unique_ptr<Band> band = nextReadyBand();
        available += band->count;
        held_.push_back(std::move(band));
    }
    std::size_t b = 0;
    for (int r = 0; r < count; ++r) {
        const int row = nextRow_ + r;
        while (held_[b]->first + held_[b]->count <= row) ++b;
        rows[r] = held_[b]->bytes.data() +
                  rowBytes_ * static_cast<std::size_t>(row - held_[b]->first) + left_;
    }
    nextRow_ += count;
}

void BandedRows::Finish() {
    if (!settings_.OwnThread) {
        if (nextSelectedRow_ < selection_.Height()) throw EScaleError("BandedRows: finished early");
        makeRest();
        return;
    }
    thread_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    if (failure_) std::rethrow_exception(failure_);
}

bool BandedRows::ProducerFinished() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return finished_;
}

std::size_t BandedRows::BytesHeld(int pictureWidth, const SelectionRect& selection,
                                  const BandSettings& settings) {
    const int perBand = std::max(1, settings.RowsPerBand);
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(pictureWidth);
    const std::size_t bandBytes =
        rowBytes * static_cast<std::size_t>(std::min(perBand, selection.Height()));
    // Waiting in the queue, being made, and held by the run: the rows of one
    // call (up to a block of 16) may start inside a band.
    const int waiting = settings.OwnThread ? std::max(1, settings.BandsAhead) : 1;
    const int held = (kBlockRows + perBand - 1) / perBand + 1;
    return static_cast<std::size_t>(waiting + 1 + held) * bandBytes + kDropRows * rowBytes;
}

std::size_t BandedRows::PeakBandBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::size_t bandBytes =
        rowBytes_ * static_cast<std::size_t>(std::min(settings_.RowsPerBand, selection_.Height()));
    return static_cast<std::size_t>(peakBands_) * bandBytes + droppedBytes_;
}
