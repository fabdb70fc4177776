// The updater's AVI reader on arbitrary bytes: it refuses or decodes, never reads outside the file,
// and never builds more frames than its bound.

#include "avi.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vekupd::AviMovie movie;
    QString error;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (vekupd::loadAvi(bytes, &movie, &error)) {
        for (const QImage& frame : movie.frames)
            if (frame.width() != movie.width || frame.height() != movie.height)
                __builtin_trap();
    } else if (error.isEmpty()) {
        __builtin_trap(); // a refusal always says why
    }
    return 0;
}
