// Images from files and drawing them on pages.

#include "images/drawing.h"
#include "core/instance.h"
#include "documents/geometry.h"
#include "documents/pagecontent.h"

#include <qpdf/QPDFMatrix.hh>

#include <cmath>

namespace fpe {

namespace {

QPDFObjectHandle numberArray(const std::vector<double>& values)
{
    QPDFObjectHandle array = QPDFObjectHandle::newArray();
    for (double v : values)
        array.appendItem(v == std::floor(v) ? QPDFObjectHandle::newInteger(static_cast<long long>(v))
                                            : QPDFObjectHandle::newReal(v, 4));
    return array;
}

QPDFObjectHandle makeImageObject(QPDF& pdf, const ImageStream& s, const std::shared_ptr<Buffer>& data)
{
    QPDFObjectHandle stream = QPDFObjectHandle::newStream(&pdf);
    QPDFObjectHandle dict = stream.getDict();
    dict.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    dict.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
    dict.replaceKey("/Width", QPDFObjectHandle::newInteger(s.width));
    dict.replaceKey("/Height", QPDFObjectHandle::newInteger(s.height));
    dict.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(s.bitsPerComponent));

    QPDFObjectHandle space = QPDFObjectHandle::newName(s.colorSpace);
    if (s.iccProfile) {
        QPDFObjectHandle profile = QPDFObjectHandle::newStream(&pdf, std::string(
            reinterpret_cast<const char*>(s.iccProfile->getBuffer()), s.iccProfile->getSize()));
        const int components = s.colorSpace == "/DeviceGray" ? 1 : s.colorSpace == "/DeviceCMYK" ? 4 : 3;
        profile.getDict().replaceKey("/N", QPDFObjectHandle::newInteger(components));
        profile.getDict().replaceKey("/Alternate", space);
        space = QPDFObjectHandle::newArray({QPDFObjectHandle::newName("/ICCBased"), profile});
    }
    if (!s.palette.empty()) {
        space = QPDFObjectHandle::newArray({QPDFObjectHandle::newName("/Indexed"), space,
                                            QPDFObjectHandle::newInteger(static_cast<long long>(s.palette.size() / 3) - 1),
                                            QPDFObjectHandle::newString(s.palette)});
    }
    dict.replaceKey("/ColorSpace", space);
    if (!s.decode.empty())
        dict.replaceKey("/Decode", numberArray(s.decode));
    if (!s.colorKey.empty())
        dict.replaceKey("/Mask", numberArray(std::vector<double>(s.colorKey.begin(), s.colorKey.end())));

    QPDFObjectHandle parms = QPDFObjectHandle::newNull();
    if (s.predictorColors > 0) {
        parms = QPDFObjectHandle::newDictionary();
        parms.replaceKey("/Predictor", QPDFObjectHandle::newInteger(15));
        parms.replaceKey("/Colors", QPDFObjectHandle::newInteger(s.predictorColors));
        parms.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(s.bitsPerComponent));
        parms.replaceKey("/Columns", QPDFObjectHandle::newInteger(s.width));
    }
    stream.replaceStreamData(data, QPDFObjectHandle::newName(s.filter), parms);
    return stream;
}

void requireVersion(Document& doc, const std::string& version)
{
    std::string& minimum = doc.saveSettings.minimumVersion;
    if (minimum.empty() || minimum < version)
        minimum = version;
}

// How the stored pixels are turned to be shown: a map of the unit square
// (image space) onto itself, for the EXIF/TIFF orientations 1..8.
QPDFMatrix orientationMatrix(int orientation)
{
    switch (orientation) {
    case 2: return QPDFMatrix(-1, 0, 0, 1, 1, 0);   // mirrored left-right
    case 3: return QPDFMatrix(-1, 0, 0, -1, 1, 1);  // upside down
    case 4: return QPDFMatrix(1, 0, 0, -1, 0, 1);   // mirrored top-bottom
    case 5: return QPDFMatrix(0, -1, -1, 0, 1, 1);  // transposed
    case 6: return QPDFMatrix(0, -1, 1, 0, 0, 1);   // turned a quarter clockwise
    case 7: return QPDFMatrix(0, 1, 1, 0, 0, 0);    // transversed
    case 8: return QPDFMatrix(0, 1, -1, 0, 1, 0);   // turned a quarter anticlockwise
    default: return QPDFMatrix();
    }
}

bool usableSize(double width, double height)
{
    return std::isfinite(width) && std::isfinite(height) && width > 0 && height > 0;
}

} // namespace

QPDFObjectHandle embedFileImage(Document& doc, FileImage& image)
{
    auto it = doc.embeddedImages.find(&image);
    if (it != doc.embeddedImages.end() && it->second.isStream() && it->second.getOwningQPDF() == doc.pdf.get())
        return it->second;

    std::shared_ptr<Buffer> data = image.image.acquire();
    std::shared_ptr<Buffer> mask = image.hasSoftMask ? image.softMask.acquire() : nullptr;
    if (!data || (image.hasSoftMask && !mask)) {
        // Every document that held the data is gone: read the file again,
        // provided it still holds what was read before.
        if (!(FileIdentity::of(image.path) == image.identity))
            return QPDFObjectHandle();
        std::shared_ptr<FileImage> again = readImageFile(image.path);
        if (!again || again->image.width != image.image.width || again->image.height != image.image.height
            || again->hasSoftMask != image.hasSoftMask)
            return QPDFObjectHandle();
        data = again->image.data;
        mask = again->softMask.data;
    }

    QPDF& pdf = *doc.pdf;
    QPDFObjectHandle object = pdf.makeIndirectObject(makeImageObject(pdf, image.image, data));
    if (image.hasSoftMask) {
        QPDFObjectHandle softMask = pdf.makeIndirectObject(makeImageObject(pdf, image.softMask, mask));
        object.getDict().replaceKey("/SMask", softMask);
        requireVersion(doc, "1.4");
    }
    if (image.image.bitsPerComponent == 16 || (image.hasSoftMask && image.softMask.bitsPerComponent == 16))
        requireVersion(doc, "1.5");
    image.image.shared = data;
    image.image.data.reset();
    image.softMask.shared = mask;
    image.softMask.data.reset();
    doc.embeddedImages[&image] = object;
    return object;
}

// No options are defined: every image is added at full quality.
int Instance::AddImageFromFile(const QString& FileName, int)
{
    std::shared_ptr<FileImage> file = readImageFile(FileName);
    if (!file)
        return 0;
    ImageEntry entry;
    entry.width = file->shownWidth();
    entry.height = file->shownHeight();
    entry.type = file->type;
    entry.horizontalDpi = file->transposed() ? file->verticalDpi : file->horizontalDpi;
    entry.verticalDpi = file->transposed() ? file->horizontalDpi : file->verticalDpi;
    entry.file = std::move(file);
    const int id = newId();
    images[id] = std::move(entry);
    selectedImageId = id;
    return id;
}

int Instance::DrawImage(double Left, double Top, double Width, double Height)
{
    // Images found in documents are there to be listed and saved, not drawn.
    ImageEntry* entry = selectedImage();
    if (!entry || !entry->file || !usableSize(Width, Height) || !std::isfinite(Left) || !std::isfinite(Top))
        return 0;
    Document& doc = selectedDoc();
    if (!doc.hasPage(doc.selectedPage))
        return 0;
    QPDFObjectHandle xobject = embedFileImage(doc, *entry->file);
    if (!xobject.isStream())
        return 0;

    QPDFPageObjectHelper page = doc.page(doc.selectedPage);
    const PageGeometry geometry = PageGeometry::of(page);
    const QRectF r = displayRect(Left, Top, Width, Height, geometry.height());
    // Image space (the unit square) -> shown orientation -> the rectangle on
    // the displayed page -> the page's user space.
    QPDFMatrix m = geometry.displayToUser();
    m.concat(QPDFMatrix(r.width(), 0, 0, r.height(), r.x(), r.y()));
    m.concat(orientationMatrix(entry->file->orientation));
    const std::string name = addPageResource(page, "/XObject", xobject, "/Im");
    drawOnPage(doc, page, m.unparse() + " cm " + name + " Do");
    return 1;
}

} // namespace fpe
