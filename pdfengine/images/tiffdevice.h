#pragma once

// libtiff over a QIODevice (a file being written, or a QBuffer holding data
// to decode), with libtiff's messages kept quiet: the one way the engine
// reads and writes TIFF data.

#include <tiffio.h>

class QIODevice;

namespace fpe {

// mode as for TIFFOpen ("r", "w"). The device must stay open until TIFFClose.
// A QBuffer is read through a memory map, which is also what makes libtiff
// accept uncompressed tiles (unmapped, it compares their size with its
// rounded-up buffer). maxAllocation > 0 bounds each of libtiff's allocations.
TIFF* openTiff(QIODevice& device, const char* mode, tmsize_t maxAllocation = 0);

} // namespace fpe
