// Images found in documents: listing them, the images drawn on a page, and
// saving one to a file.

#include "core/instance.h"
#include "core/outputfile.h"
#include "images/imagedecode.h"

#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <QImageWriter>

#include <algorithm>
#include <set>

namespace fpe {

namespace {

// Forms inside forms deeper than this are not followed.
constexpr int maxNesting = 32;

bool hasSubtype(QPDFObjectHandle o, const char* subtype)
{
    return o.isStream() && o.getDict().getKey("/Subtype").isNameAndEquals(subtype);
}

bool isImage(QPDFObjectHandle o)
{
    return hasSubtype(o, "/Image");
}

bool isForm(QPDFObjectHandle o)
{
    return hasSubtype(o, "/Form");
}

int dimension(QPDFObjectHandle dict, const char* name)
{
    return std::max(intValue(dict.getKey(name), 0), 0);
}

// The appearance an annotation shows, when it is shown at all.
QPDFObjectHandle shownAppearance(QPDFObjectHandle annot)
{
    if (!annot.isDictionary())
        return QPDFObjectHandle::newNull();
    QPDFObjectHandle flags = annot.getKey("/F");
    if (flags.isInteger() && (flags.getIntValue() & (2 | 32)))  // Hidden, NoView
        return QPDFObjectHandle::newNull();
    QPDFObjectHandle normal = annot.getKey("/AP");
    normal = normal.isDictionary() ? normal.getKey("/N") : QPDFObjectHandle::newNull();
    if (normal.isDictionary() && !normal.isStream()) {
        QPDFObjectHandle state = annot.getKey("/AS");
        normal = state.isName() ? normal.getKey(state.getName()) : QPDFObjectHandle::newNull();
    }
    return isForm(normal) ? normal : QPDFObjectHandle::newNull();
}

// The distinct image XObjects pages can draw: from their resources, the
// resources of their form XObjects, tiling patterns and Type 3 fonts, and
// their annotations' appearances.
class ImageFinder
{
public:
    std::vector<QPDFObjectHandle> images;

    void page(QPDFPageObjectHelper page)
    {
        resources(page.getAttribute("/Resources", false), 0);
        QPDFObjectHandle annots = page.getObjectHandle().getKey("/Annots");
        if (!annots.isArray())
            return;
        for (QPDFObjectHandle annot : annots.aitems()) {
            QPDFObjectHandle ap = annot.isDictionary() ? annot.getKey("/AP") : QPDFObjectHandle::newNull();
            if (!ap.isDictionary())
                continue;
            for (const char* which : {"/N", "/R", "/D"}) {
                QPDFObjectHandle appearance = ap.getKey(which);
                if (appearance.isStream()) {
                    container(appearance, 1);
                } else if (appearance.isDictionary()) {
                    for (auto& state : appearance.ditems())
                        container(state.second, 1);
                }
            }
        }
    }

private:
    std::set<QPDFObjGen> seenImages;
    std::set<QPDFObjGen> seenContainers;

    // False when an indirect object was already visited.
    bool firstVisit(QPDFObjectHandle o)
    {
        return !o.isIndirect() || seenContainers.insert(o.getObjGen()).second;
    }

    void resources(QPDFObjectHandle res, int depth)
    {
        if (!res.isDictionary() || depth > maxNesting || !firstVisit(res))
            return;
        QPDFObjectHandle xobjects = res.getKey("/XObject");
        if (xobjects.isDictionary()) {
            for (auto& entry : xobjects.ditems()) {
                if (isImage(entry.second)) {
                    if (seenImages.insert(entry.second.getObjGen()).second)
                        images.push_back(entry.second);
                } else if (isForm(entry.second)) {
                    container(entry.second, depth + 1);
                }
            }
        }
        QPDFObjectHandle patterns = res.getKey("/Pattern");
        if (patterns.isDictionary())
            for (auto& entry : patterns.ditems())
                container(entry.second, depth + 1);
        QPDFObjectHandle fonts = res.getKey("/Font");
        if (fonts.isDictionary()) {
            for (auto& entry : fonts.ditems()) {
                QPDFObjectHandle font = entry.second;
                if (font.isDictionary() && font.getKey("/Subtype").isNameAndEquals("/Type3") && firstVisit(font))
                    resources(font.getKey("/Resources"), depth + 1);
            }
        }
    }

    // A form XObject or tiling pattern: its own resources.
    void container(QPDFObjectHandle stream, int depth)
    {
        if (!stream.isStream() || depth > maxNesting || !firstVisit(stream))
            return;
        resources(stream.getDict().getKey("/Resources"), depth);
    }
};

// The images a content stream draws, in drawing order: image XObjects
// (also inside the form XObjects it draws) and inline images.
class DrawnImages : public QPDFObjectHandle::ParserCallbacks
{
public:
    DrawnImages(std::vector<QPDFObjectHandle>& drawn, QPDFObjectHandle resources, std::set<QPDFObjGen>& formsOpen,
                int depth)
        : drawn(drawn), resources(resources), formsOpen(formsOpen), depth(depth)
    {
    }

    void handleObject(QPDFObjectHandle obj, size_t, size_t) override
    {
        if (obj.isInlineImage()) {
            drawn.push_back(QPDFObjectHandle::newNull());
        } else if (obj.isOperator()) {
            if (obj.getOperatorValue() == "Do" && !operands.empty() && operands.back().isName())
                xobject(operands.back().getName());
            operands.clear();
        } else {
            operands.push_back(obj);
        }
    }

    void handleEOF() override {}

    // Parses one form (or page) content; damaged content gives what came before the damage.
    static void parse(QPDFObjectHandle content, std::vector<QPDFObjectHandle>& drawn, QPDFObjectHandle resources,
                      std::set<QPDFObjGen>& formsOpen, int depth)
    {
        DrawnImages callbacks(drawn, resources, formsOpen, depth);
        try {
            QPDFObjectHandle::parseContentStream(content, &callbacks);
        } catch (const std::exception&) {
        }
    }

    static void drawForm(QPDFObjectHandle form, std::vector<QPDFObjectHandle>& drawn, QPDFObjectHandle outer,
                         std::set<QPDFObjGen>& formsOpen, int depth)
    {
        if (depth > maxNesting || !formsOpen.insert(form.getObjGen()).second)
            return;  // a form that draws itself
        QPDFObjectHandle own = form.getDict().getKey("/Resources");
        parse(form, drawn, own.isDictionary() ? own : outer, formsOpen, depth);
        formsOpen.erase(form.getObjGen());
    }

private:
    void xobject(const std::string& name)
    {
        QPDFObjectHandle xobjects = resources.isDictionary() ? resources.getKey("/XObject") : QPDFObjectHandle::newNull();
        QPDFObjectHandle x = xobjects.isDictionary() ? xobjects.getKey(name) : QPDFObjectHandle::newNull();
        if (isImage(x))
            drawn.push_back(x);
        else if (isForm(x))
            drawForm(x, drawn, resources, formsOpen, depth + 1);
    }

    std::vector<QPDFObjectHandle>& drawn;
    QPDFObjectHandle resources;
    std::set<QPDFObjGen>& formsOpen;
    int depth;
    std::vector<QPDFObjectHandle> operands;
};

} // namespace

int Instance::FindImages()
{
    Document& doc = selectedDoc();
    ImageFinder finder;
    for (QPDFObjectHandle page : doc.pageObjects()) {
        try {
            finder.page(QPDFPageObjectHelper(page));
        } catch (const std::exception&) {
            // A damaged page gives the images found before the damage.
        }
    }
    doc.foundImages.clear();
    for (QPDFObjectHandle& image : finder.images)
        doc.foundImages.push_back(registerFoundImage(doc, image));
    return static_cast<int>(doc.foundImages.size());
}

int Instance::registerFoundImage(Document& doc, QPDFObjectHandle image)
{
    const QPDFObjGen og = image.getObjGen();
    auto known = doc.imageIds.find(og);
    if (known != doc.imageIds.end() && images.count(known->second))
        return known->second;
    ImageEntry entry;
    QPDFObjectHandle dict = image.getDict();
    entry.width = dimension(dict, "/Width");
    entry.height = dimension(dict, "/Height");
    entry.type = imageTypeOf(image);
    entry.documentId = doc.id;
    entry.objGen = og;
    const int imageId = newId();
    images[imageId] = entry;
    doc.imageIds[og] = imageId;
    return imageId;
}

int Instance::GetImageID(int Index)
{
    const Document& doc = selectedDoc();
    if (Index < 1 || Index > static_cast<int>(doc.foundImages.size()))
        return 0;
    return doc.foundImages[static_cast<size_t>(Index - 1)];
}

int Instance::SaveImageToFile(const QString& FileName)
{
    const ImageEntry* entry = selectedImage();
    if (!entry || entry->documentId == 0 || FileName.isEmpty())
        return 0;
    Document* doc = findDocument(entry->documentId);
    if (!doc)
        return 0;
    QPDFObjectHandle image = doc->pdf->getObjectByObjGen(entry->objGen);
    if (!isImage(image))
        return 0;
    // A target that cannot be written fails before the image is decoded.
    OutputFile out(FileName);
    if (!out.isOpen())
        return 0;
    const ImageFileData data = imageFileData(image);
    if (data.isNull())
        return 0;
    bool written;
    if (!data.jpeg.isEmpty()) {
        written = out.write(data.jpeg.constData(), data.jpeg.size());
    } else {
        QImageWriter writer(&out.device(), "png");
        written = writer.write(data.image);
    }
    return written && out.commit() ? 1 : 0;
}

int Instance::GetPageImageList(int)
{
    Document& doc = selectedDoc();
    if (!doc.hasPage(doc.selectedPage))
        return 0;
    QPDFPageObjectHelper page = doc.page(doc.selectedPage);
    std::vector<QPDFObjectHandle> drawn;
    std::set<QPDFObjGen> formsOpen;
    try {
        QPDFObjectHandle resources = page.getAttribute("/Resources", false);
        QPDFObjectHandle contents = page.getObjectHandle().getKey("/Contents");
        if (contents.isStream() || contents.isArray())
            DrawnImages::parse(contents, drawn, resources, formsOpen, 0);
        QPDFObjectHandle annots = page.getObjectHandle().getKey("/Annots");
        if (annots.isArray()) {
            for (QPDFObjectHandle annot : annots.aitems()) {
                QPDFObjectHandle appearance = shownAppearance(annot);
                if (!appearance.isNull())
                    DrawnImages::drawForm(appearance, drawn, resources, formsOpen, 1);
            }
        }
    } catch (const std::exception&) {
        // Damaged page objects: the images found so far.
    }
    std::vector<int> ids;
    ids.reserve(drawn.size());
    // Inline images have no object to register: 0 stands for them.
    for (QPDFObjectHandle& image : drawn)
        ids.push_back(image.isNull() ? 0 : registerFoundImage(doc, image));
    const int listId = newId();
    imageLists[listId] = ImageList{doc.id, std::move(ids)};
    return listId;
}

int Instance::GetImageListCount(int ImageListID)
{
    auto it = imageLists.find(ImageListID);
    return it == imageLists.end() ? 0 : static_cast<int>(it->second.images.size());
}

} // namespace fpe
