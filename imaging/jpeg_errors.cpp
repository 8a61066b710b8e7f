#include "imaging/jpeg_errors.h"

#include <csetjmp>
#include <cstdlib>

// clang-format off
#include <jerror.h>
// clang-format on

namespace tvx::jpeg_detail {

namespace {

[[noreturn]] void OnFatal(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level) {
    if (level != -1) return;
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    switch (cinfo->err->msg_code) {
    case JWRN_EXTRANEOUS_DATA:
        // Stray bytes between markers are harmless and common in camera files.
        return;
    case JWRN_JPEG_EOF:
        // The data ran out: libjpeg supplies an end marker of its own. Whether
        // pixels are missing is judged from what was decoded, because files
        // whose only fault is the missing end marker are common.
        err->sawEof = true;
        return;
    default:
        // Everything else (a scan that needed more data than it had, corrupt
        // entropy data, lost synchronisation) means libjpeg filled in pixels
        // of its own: such a picture must not pass as the stored one.
        err->damaged = true;
        return;
    }
}

void Silent(j_common_ptr) {}

// A progressive file can hold any number of scans, each re-walking the whole
// coefficient buffer; a crafted one would keep the UI thread busy for minutes.
constexpr int kMaxScans = 1000;

void OnProgress(j_common_ptr cinfo) {
    if (cinfo->is_decompressor) {
        auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
        if (d->input_scan_number > kMaxScans) OnFatal(cinfo);
    }
}

} // namespace

void InstallErrorManager(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = OnFatal;
    err.pub.emit_message = OnMessage;
    err.pub.output_message = Silent;
}

void InstallProgressLimit(jpeg_decompress_struct& cinfo, jpeg_progress_mgr& progress) {
    progress.progress_monitor = OnProgress;
    cinfo.progress = &progress;
}

bool EndedBeforePictureWasComplete(const jpeg_decompress_struct& cinfo, const ErrorManager& err) {
    if (!err.sawEof) return false;
    // The arithmetic decoder pads a cut scan silently; we cannot tell a cut
    // inside its data from a missing end marker, so trust no such file.
    if (cinfo.arith_code) return true;
    for (int c = 0; c < cinfo.num_components; ++c) {
        // A component's quantisation table is latched when the first scan
        // holding it starts: a component no scan reached is all grey.
        if (!cinfo.comp_info[c].quant_table) return true;
        if (cinfo.progressive_mode && cinfo.coef_bits) {
            // Every coefficient of a complete progressive file has been
            // refined down to its lowest bit (0); -1 was never sent, more
            // than 0 still awaits a refinement scan that was cut off.
            for (int k = 0; k < DCTSIZE2; ++k)
                if (cinfo.coef_bits[c][k] != 0) return true;
        }
    }
    return false;
}

} // namespace tvx::jpeg_detail
