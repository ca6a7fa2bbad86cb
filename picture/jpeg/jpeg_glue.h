#pragma once

// What the JPEG decoder and encoder share about libjpeg: an error manager
// whose fatal errors come back to one guarded call, owning wrappers for the
// libjpeg structs, and the JPEG exception. Private to picture/jpeg/.
//
// libjpeg reports a fatal error by calling error_exit, which must not return.
// RunJpegSteps is the one place that sets the jump target: a fatal error
// inside its steps lands back there and becomes an EJPEG, carrying libjpeg's
// own text of the error as its fault (file_fault.h). The steps it runs
// therefore hold no object with a destructor while they call libjpeg; the
// owning objects live in the callers, outside the jump.
//
// A decoder may also give up on data that is plainly damaged: warnings
// about damaged image data in scan after scan (libjpeg would otherwise
// decode every one of thousands of damaged scans) end the steps as a fatal
// error does, once more scans than `maxDamagedScans` have raised them.

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <string>

// jpeglib.h uses FILE and size_t without including them: it comes after
// <cstddef> and <cstdio>.
// clang-format off
#include <jpeglib.h>
// clang-format on

struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    // Set by our own callbacks (the scan limit, a failed allocation) before
    // they leave through error_exit, so that the error names the real cause.
    const char* ownMessage = nullptr;
    // Warnings about damaged image data, as against those about headers and
    // bytes between markers (an unknown JFIF revision, garbage before a marker).
    long imageDataWarnings = 0;
    // Scans whose data raised such warnings, up to which the steps go on;
    // 0 lets every scan be damaged.
    int maxDamagedScans = 0;
    int damagedScans = 0;
    int lastDamagedScan = 0;
    char lastWarning[JMSG_LENGTH_MAX] = {};
    // What the error's fault says: libjpeg's text of a fatal error, or
    // ours for a failure our code found.
    char fault[JMSG_LENGTH_MAX + 128] = {};
};

// Prepares `manager` so that fatal errors return to RunJpegSteps and
// warnings and trace messages are dropped; warnings are only counted.
jpeg_error_mgr* InitJpegErrorManager(JpegErrorManager& manager);

// Runs steps(context). A fatal libjpeg error inside leaves the steps and is
// thrown here as EJPEG "JPEG エラー #<libjpeg's message code>".
void RunJpegSteps(JpegErrorManager& manager, void (*steps)(void*), void* context);

// Leaves the current steps through libjpeg's error exit with a message of
// our own (for failures found in our callbacks), and a fault naming what is
// wrong in the file (null: the message says it all).
[[noreturn]] void AbortJpegSteps(j_common_ptr common, const char* message,
                                 const char* fault = nullptr);

// libjpeg's own text for its message `code` with the number `parameter`
// ("Bogus DHT index 99"), as its error manager would print it.
std::string JpegMessageText(int code, int parameter);

// A decompressor, created and destroyed with the object.
class JpegDecompressor {
public:
    JpegDecompressor();
    ~JpegDecompressor();
    JpegDecompressor(const JpegDecompressor&) = delete;
    JpegDecompressor& operator=(const JpegDecompressor&) = delete;

    jpeg_decompress_struct cinfo{};
    JpegErrorManager errors{};
};

// A compressor, created and destroyed with the object.
class JpegCompressor {
public:
    JpegCompressor();
    ~JpegCompressor();
    JpegCompressor(const JpegCompressor&) = delete;
    JpegCompressor& operator=(const JpegCompressor&) = delete;

    jpeg_compress_struct cinfo{};
    JpegErrorManager errors{};
};
