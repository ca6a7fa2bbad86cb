#pragma once

// A JPEG encoded a few rows at a time, with the writer's settings: three
// components in RGB colour space, libjpeg's defaults, the float DCT, quality
// 90 with baseline tables forced, not progressive. EncodeJPEG is this encoder
// fed every row of a picture, so rows handed over as they are made give the
// very bytes of the picture encoded whole.

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <vector>

class BudgetedBytes;

class JpegRowEncoder {
public:
    // The compressed bytes grow in `bytes` (resized to the file at Finish),
    // as far as the memory budget lets them: beyond, the call that needed
    // more throws the budget's refusal.
    JpegRowEncoder(int width, int height, BudgetedBytes& bytes);
    // The compressed bytes go to `out` as they are made. A failing stream
    // makes the next call throw EWriteError.
    JpegRowEncoder(int width, int height, std::ostream& out);
    ~JpegRowEncoder();
    JpegRowEncoder(const JpegRowEncoder&) = delete;
    JpegRowEncoder& operator=(const JpegRowEncoder&) = delete;

    // The next rows, top to bottom: blue, green, red, 3 * width bytes each.
    void WriteRows(const std::uint8_t* const* rows, int count);
    // After the last row: the end of the file.
    void Finish();

private:
    struct State;
    void start(int width, int height);
    // Runs libjpeg's steps; a refusal of more output memory is thrown as such.
    void run(void (*steps)(void*), void* context);
    void checkOutput() const;

    std::unique_ptr<State> state_;
};
