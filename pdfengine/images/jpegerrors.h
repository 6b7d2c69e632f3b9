#pragma once

// libjpeg's failures end the coding at a setjmp of the caller's; its
// messages are never printed. Used by the decoder and the page encoder alike:
//     JpegErrors errors;
//     info.err = errors.install();
//     if (setjmp(errors.escape)) { ...clean up...; return false; }

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace fpe {

struct JpegErrors {
    jpeg_error_mgr base;
    std::jmp_buf escape;

    jpeg_error_mgr* install()
    {
        jpeg_error_mgr* manager = jpeg_std_error(&base);
        base.error_exit = [](j_common_ptr info) { std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->escape, 1); };
        base.output_message = [](j_common_ptr) {};
        base.emit_message = [](j_common_ptr, int) {};
        return manager;
    }
};

} // namespace fpe
