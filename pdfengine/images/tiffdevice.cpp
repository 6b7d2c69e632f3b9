#include "images/tiffdevice.h"

#include <QBuffer>

namespace fpe {

namespace {

QIODevice* dev(thandle_t h)
{
    return static_cast<QIODevice*>(h);
}

tmsize_t readProc(thandle_t h, void* buf, tmsize_t size)
{
    return static_cast<tmsize_t>(dev(h)->read(static_cast<char*>(buf), static_cast<qint64>(size)));
}

tmsize_t writeProc(thandle_t h, void* buf, tmsize_t size)
{
    return static_cast<tmsize_t>(dev(h)->write(static_cast<const char*>(buf), static_cast<qint64>(size)));
}

toff_t seekProc(thandle_t h, toff_t offset, int whence)
{
    QIODevice* d = dev(h);
    qint64 pos = static_cast<qint64>(offset);
    if (whence == SEEK_CUR)
        pos += d->pos();
    else if (whence == SEEK_END)
        pos += d->size();
    if (pos < 0 || !d->seek(pos))
        return static_cast<toff_t>(-1);
    return static_cast<toff_t>(pos);
}

int closeProc(thandle_t)
{
    return 0;  // the device belongs to the caller
}

toff_t sizeProc(thandle_t h)
{
    return static_cast<toff_t>(dev(h)->size());
}

int mapProc(thandle_t h, void** base, toff_t* size)
{
    auto* buffer = qobject_cast<QBuffer*>(dev(h));
    if (!buffer || buffer->isWritable())
        return 0;
    *base = const_cast<char*>(buffer->data().constData());
    *size = static_cast<toff_t>(buffer->data().size());
    return 1;
}

void unmapProc(thandle_t, void*, toff_t) {}

int quiet(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;  // handled: nothing reaches libtiff's global handlers
}

} // namespace

TIFF* openTiff(QIODevice& device, const char* mode, tmsize_t maxAllocation)
{
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options)
        return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, quiet, nullptr);
    if (maxAllocation > 0)
        TIFFOpenOptionsSetMaxSingleMemAlloc(options, maxAllocation);
    TIFF* tif = TIFFClientOpenExt("folio", mode, static_cast<thandle_t>(&device), readProc, writeProc, seekProc,
                                  closeProc, sizeProc, mapProc, unmapProc, options);
    TIFFOpenOptionsFree(options);
    return tif;
}

} // namespace fpe
