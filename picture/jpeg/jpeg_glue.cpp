#include "picture/jpeg/jpeg_glue.h"

#include <jerror.h>

#include <csetjmp>
#include <cstdlib>
#include <string>

#include "picture/file_fault.h"
#include "picture/jpeg/jpeg_picture.h"

namespace {

JpegErrorManager& managerOf(j_common_ptr common) {
    return *reinterpret_cast<JpegErrorManager*>(common->err);
}

// Only plain buffers here: nothing with a destructor may stand in the way
// of the jump.
[[noreturn]] void leaveToGuard(j_common_ptr common) {
    JpegErrorManager& manager = managerOf(common);
    if (!manager.ownMessage) {
        char text[JMSG_LENGTH_MAX];
        (*common->err->format_message)(common, text);
        std::snprintf(manager.fault, sizeof manager.fault, "JPEG: %s", text);
    }
    std::longjmp(manager.jump, 1);
}

// libjpeg's warnings that a scan's coded data is corrupt (as against a
// file cut short, or scans in an odd order).
bool saysDataIsCorrupt(int code) {
    return code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE || code == JWRN_MUST_RESYNC ||
           code == JWRN_ARITH_BAD_CODE;
}

// A warning about corrupt data in a scan that had none yet; the steps end
// once too many scans have had them.
void noteDamagedScan(j_common_ptr common, JpegErrorManager& manager) {
    if (!common->is_decompressor || manager.maxDamagedScans == 0) return;
    if (!saysDataIsCorrupt(common->err->msg_code)) return;
    const int scan = reinterpret_cast<j_decompress_ptr>(common)->input_scan_number;
    if (scan == manager.lastDamagedScan) return;
    manager.lastDamagedScan = scan;
    (*common->err->format_message)(common, manager.lastWarning);
    if (++manager.damagedScans <= manager.maxDamagedScans) return;
    char fault[sizeof manager.fault];
    std::snprintf(fault, sizeof fault, "JPEG: the data of %d scans is damaged (the last: %s)",
                  manager.damagedScans, manager.lastWarning);
    AbortJpegSteps(common, "JPEG: damaged data in scan after scan", fault);
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
            JpegErrorManager& manager = managerOf(common);
            ++manager.imageDataWarnings;
            noteDamagedScan(common, manager);
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
    manager.damagedScans = 0;
    manager.lastDamagedScan = 0;
    manager.fault[0] = '\0';
    return pub;
}

void RunJpegSteps(JpegErrorManager& manager, void (*steps)(void*), void* context) {
    if (setjmp(manager.jump) != 0) {
        const std::string fault = manager.fault;
        if (manager.ownMessage) throw WithFault(EJPEG(std::string(manager.ownMessage)), fault);
        throw WithFault(EJPEG(manager.pub.msg_code), fault);
    }
    steps(context);
}

void AbortJpegSteps(j_common_ptr common, const char* message, const char* fault) {
    JpegErrorManager& manager = managerOf(common);
    manager.ownMessage = message;
    std::snprintf(manager.fault, sizeof manager.fault, "%s", fault ? fault : message);
    (*common->err->error_exit)(common);
    // error_exit does not return; this only satisfies [[noreturn]].
    std::abort();
}

std::string JpegMessageText(int code, int parameter) {
    jpeg_error_mgr errors;
    jpeg_std_error(&errors);
    jpeg_decompress_struct cinfo{};
    cinfo.err = &errors;
    errors.msg_code = code;
    errors.msg_parm.i[0] = parameter;
    char text[JMSG_LENGTH_MAX];
    (*errors.format_message)(reinterpret_cast<j_common_ptr>(&cinfo), text);
    return text;
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
