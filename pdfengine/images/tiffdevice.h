#pragma once

// libtiff over a QIODevice (a file being written, or a QBuffer holding data
// to decode), with libtiff's messages kept quiet.

#include <tiffio.h>

class QIODevice;

namespace fpe {

// mode as for TIFFOpen ("r", "w"). The device must stay open until TIFFClose.
TIFF* openTiff(QIODevice& device, const char* mode);

} // namespace fpe
