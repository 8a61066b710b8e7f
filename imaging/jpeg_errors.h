#pragma once

// How the image library's JPEG decoders learn that libjpeg gave up or warned.
// Shared by the decoder and the encoder; not part of the
// library's outside interface.

#include <csetjmp>
#include <cstdio>

// clang-format off
#include <jpeglib.h>
// clang-format on

namespace tvx::jpeg_detail {

// libjpeg reports fatal errors through a callback that must not return; we
// jump back to the caller, which then cleans up and answers failure.
struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
    // Set by a warning that means the pixels are not the stored ones.
    bool damaged = false;
    // The data ran out before an end marker. Harmless on its own: many
    // writers drop the end marker, and the picture is still whole.
    bool sawEof = false;
};

void InstallErrorManager(ErrorManager& err);

// Stops decoding of files with more scans than any real picture has.
void InstallProgressLimit(jpeg_decompress_struct& cinfo, jpeg_progress_mgr& progress);

// After the whole input has been consumed (that is, after start of
// decompression for a multi-scan file, or after the last scanline for a
// single-scan one): true when the input ended early in a way that leaves
// parts of the picture undecoded, although libjpeg itself only warned.
bool EndedBeforePictureWasComplete(const jpeg_decompress_struct& cinfo, const ErrorManager& err);

} // namespace tvx::jpeg_detail
