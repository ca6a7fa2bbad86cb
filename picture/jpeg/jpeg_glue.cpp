#include "picture/jpeg/jpeg_glue.h"

#include <jerror.h>

#include <csetjmp>
#include <cstdlib>
#include <string>

#include "picture/jpeg/jpeg_picture.h"

namespace {

[[noreturn]] void leaveToGuard(j_common_ptr common) {
    auto* manager = reinterpret_cast<JpegErrorManager*>(common->err);
    std::longjmp(manager->jump, 1);
}

// Warnings (a damaged but finishable file) and traces are not reported;
// warnings are only counted.
void dropMessage(j_common_ptr common, int level) {
    if (level >= 0) return;
    ++common->err->num_warnings;
    switch (common->err->msg_code) {
        case JWRN_ADOBE_XFORM:
        case JWRN_BOGUS_ICC:
        case JWRN_EXTRANEOUS_DATA:
        case JWRN_JFIF_MAJOR:
            break;
        default:
            ++reinterpret_cast<JpegErrorManager*>(common->err)->imageDataWarnings;
    }
}
void dropOutput(j_common_ptr) {}

struct CreateDecompress {
    jpeg_decompress_struct* cinfo;
};
void createDecompress(void* context) {
    jpeg_create_decompress(static_cast<CreateDecompress*>(context)->cinfo);
}

struct CreateCompress {
    jpeg_compress_struct* cinfo;
};
void createCompress(void* context) {
    jpeg_create_compress(static_cast<CreateCompress*>(context)->cinfo);
}

}  // namespace

jpeg_error_mgr* InitJpegErrorManager(JpegErrorManager& manager) {
    jpeg_error_mgr* pub = jpeg_std_error(&manager.pub);
    pub->error_exit = leaveToGuard;
    pub->emit_message = dropMessage;
    pub->output_message = dropOutput;
    manager.ownMessage = nullptr;
    manager.imageDataWarnings = 0;
    return pub;
}

void RunJpegSteps(JpegErrorManager& manager, void (*steps)(void*), void* context) {
    if (setjmp(manager.jump) != 0) {
        if (manager.ownMessage) throw EJPEG(std::string(manager.ownMessage));
        throw EJPEG(manager.pub.msg_code);
    }
    steps(context);
}

void AbortJpegSteps(j_common_ptr common, const char* message) {
    reinterpret_cast<JpegErrorManager*>(common->err)->ownMessage = message;
    (*common->err->error_exit)(common);
    // error_exit does not return; this only satisfies [[noreturn]].
    std::abort();
}

JpegDecompressor::JpegDecompressor() {
    cinfo.err = InitJpegErrorManager(errors);
    CreateDecompress step{&cinfo};
    try {
        RunJpegSteps(errors, createDecompress, &step);
    } catch (...) {
        jpeg_destroy_decompress(&cinfo);  // safe on a struct that was zeroed first
        throw;
    }
}

JpegDecompressor::~JpegDecompressor() {
    jpeg_destroy_decompress(&cinfo);
}

JpegCompressor::JpegCompressor() {
    cinfo.err = InitJpegErrorManager(errors);
    CreateCompress step{&cinfo};
    try {
        RunJpegSteps(errors, createCompress, &step);
    } catch (...) {
        jpeg_destroy_compress(&cinfo);
        throw;
    }
}

JpegCompressor::~JpegCompressor() {
    jpeg_destroy_compress(&cinfo);
}
