#include "documents/pagecopy.h"

#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <algorithm>
#include <map>
#include <memory>

namespace fpe {

namespace {

// Keeps the source's QPDF (and the ones its own pages read from) alive for
// as long as dest lives.
void holdSources(Document& dest, const Document& source)
{
    auto hold = [&dest](const SourcePdf& s) {
        if (!s.pdf || s.pdf == dest.pdf)
            return;
        for (const SourcePdf& held : dest.foreignSources)
            if (held.pdf == s.pdf)
                return;
        dest.foreignSources.push_back(s);
    };
    hold(SourcePdf{source.pdf, source.sourcePath, source.sourceIdentity});
    for (const SourcePdf& s : source.foreignSources)
        hold(s);
}

// The source's named destinations (its /Names /Dests tree), read on the
// first link that names one, and kept with the document until it changes: a
// manual has thousands of links, and splitting it copies them a page at a
// time, so that a search of the tree per link, or a reading of it per copy,
// costs more than reading it once.
class NamedDestinations
{
public:
    explicit NamedDestinations(Document& doc)
        : doc(doc)
    {
    }

    QPDFObjectHandle find(const std::string& name)
    {
        if (!doc.namedDestinations || doc.namedDestinationsRevision != doc.revision) {
            auto names = std::make_shared<std::map<std::string, QPDFObjectHandle>>();
            QPDFObjectHandle tree = doc.pdf->getRoot().getKey("/Names").getKeyIfDict("/Dests");
            try {
                if (tree.isDictionary())
                    *names = QPDFNameTreeObjectHelper(tree, *doc.pdf, false).getAsMap();
            } catch (const std::exception&) {
                names->clear();  // a broken name tree: no name is found
            }
            doc.namedDestinations = names;
            doc.namedDestinationsRevision = doc.revision;
        }
        const auto it = doc.namedDestinations->find(name);
        return it == doc.namedDestinations->end() ? QPDFObjectHandle() : it->second;
    }

private:
    Document& doc;
};

// A destination as an explicit array ([page /XYZ ...]), looking named
// destinations up in the document's /Dests dictionary or /Names /Dests tree.
QPDFObjectHandle explicitDestination(QPDF& pdf, NamedDestinations& named, QPDFObjectHandle dest)
{
    for (int hop = 0; hop < 4; ++hop) {
        if (dest.isArray())
            return dest;
        if (dest.isDictionary()) {  // an entry of a destination tree: << /D [...] >>
            dest = dest.getKey("/D");
            continue;
        }
        QPDFObjectHandle found;
        if (dest.isName()) {
            QPDFObjectHandle dests = pdf.getRoot().getKey("/Dests");
            if (dests.isDictionary())
                found = dests.getKey(dest.getName());
        } else if (dest.isString()) {
            found = named.find(dest.getUTF8Value());
        }
        if (!found.isInitialized() || found.isNull())
            return QPDFObjectHandle::newNull();
        dest = found;
    }
    return QPDFObjectHandle::newNull();
}

// Points the links of a copied annotation at the copies of their target
// pages. QPDF turns references to pages not copied yet into nulls, and a
// named destination would look its name up in the wrong document; both are
// made explicit here. A named link whose target page was not copied is
// dropped, so that it jumps nowhere rather than somewhere wrong.
void retargetLink(QPDF& from, NamedDestinations& names, QPDFObjectHandle copiedAnnot, QPDFObjectHandle sourceAnnot,
                  const std::map<QPDFObjGen, QPDFObjectHandle>& pageCopies)
{
    // The destination's copy: an array, or null to drop the link, or an
    // uninitialised handle to keep what QPDF copied.
    auto retarget = [&](QPDFObjectHandle sourceDest) -> QPDFObjectHandle {
        const bool named = !sourceDest.isArray();
        QPDFObjectHandle dest = explicitDestination(from, names, sourceDest);
        QPDFObjectHandle target = dest.isArray() && dest.getArrayNItems() > 0 ? dest.getArrayItem(0)
                                                                              : QPDFObjectHandle::newNull();
        auto it = target.isIndirect() ? pageCopies.find(target.getObjGen()) : pageCopies.end();
        if (it == pageCopies.end())
            return named ? QPDFObjectHandle::newNull() : QPDFObjectHandle();
        std::vector<QPDFObjectHandle> items{it->second};
        for (int i = 1; i < dest.getArrayNItems(); ++i) {
            QPDFObjectHandle item = dest.getArrayItem(i);
            items.push_back(item.isIndirect() ? QPDFObjectHandle::newNull() : item.shallowCopy());
        }
        return QPDFObjectHandle::newArray(items);
    };

    QPDFObjectHandle sourceDest = sourceAnnot.getKey("/Dest");
    if (!sourceDest.isNull()) {
        QPDFObjectHandle dest = retarget(sourceDest);
        if (dest.isInitialized() && dest.isNull())
            copiedAnnot.removeKey("/Dest");
        else if (dest.isInitialized())
            copiedAnnot.replaceKey("/Dest", dest);
    }
    QPDFObjectHandle action = copiedAnnot.getKey("/A");
    QPDFObjectHandle sourceAction = sourceAnnot.getKey("/A");
    if (action.isDictionary() && sourceAction.isDictionary() && sourceAction.getKey("/S").isNameAndEquals("/GoTo")) {
        QPDFObjectHandle dest = retarget(sourceAction.getKey("/D"));
        if (dest.isInitialized() && dest.isNull())
            copiedAnnot.removeKey("/A");
        else if (dest.isInitialized())
            action.replaceKey("/D", dest);
    }
}

// An annotation belongs to one page. A page that QPDF duplicated shares its
// annotations with the page it was duplicated from, so it gets its own.
void ownAnnotations(QPDF& pdf, QPDFObjectHandle page)
{
    QPDFObjectHandle annots = page.getKey("/Annots");
    if (!annots.isArray())
        return;
    std::vector<QPDFObjectHandle> own;
    for (QPDFObjectHandle annot : annots.aitems()) {
        if (annot.isIndirect() && annot.isDictionary()) {
            annot = pdf.makeIndirectObject(annot.shallowCopy());
            if (annot.hasKey("/P"))
                annot.replaceKey("/P", page);
        }
        own.push_back(annot);
    }
    page.replaceKey("/Annots", QPDFObjectHandle::newArray(own));
}

} // namespace

int appendPages(Document& dest, Document& source, const std::vector<int>& indices)
{
    QPDF& to = *dest.pdf;
    QPDF& from = *source.pdf;
    const bool sameDocument = &to == &from;
    // A copy, since adding pages to the same document changes QPDF's list.
    const std::vector<QPDFObjectHandle> fromPages = source.pageObjects();
    dest.pageObjects();
    if (!sameDocument) {
        from.pushInheritedAttributesToPage();  // a copied page must carry its own box, resources, rotation
        holdSources(dest, source);             // before any page is copied, should copying fail halfway
    }
    // Whatever was added counts as a change, also when a damaged object stops the copy.
    struct TouchWhenChanged {
        Document& doc;
        bool changed = false;
        ~TouchWhenChanged()
        {
            if (changed)
                doc.touch();
        }
    } change{dest};

    std::vector<std::pair<QPDFObjectHandle, QPDFObjectHandle>> copies;  // (source page, its copy)
    std::map<QPDFObjGen, QPDFObjectHandle> pageCopies;                 // source page -> first copy
    for (int index : indices) {
        if (index < 0 || static_cast<size_t>(index) >= fromPages.size())
            continue;
        QPDFObjectHandle page = fromPages[static_cast<size_t>(index)];
        QPDFObjectHandle copy;
        if (sameDocument) {
            copy = QPDFPageObjectHelper(page).shallowCopyPage().getObjectHandle();
        } else {
            copy = to.copyForeignObject(page);
            // QPDF hands out its earlier copy of a page again; when that copy
            // has been deleted since (its object is now null), a fresh page
            // object takes its place. (A copy still in the document is
            // duplicated by addPage itself.)
            if (!copy.isDictionary())
                copy = to.copyForeignObject(QPDFPageObjectHelper(page).shallowCopyPage().getObjectHandle());
        }
        to.addPage(copy, false);
        change.changed = true;
        const QPDFObjectHandle added = to.getAllPages().back();
        if (!sameDocument && added.getObjGen() != copy.getObjGen())
            ownAnnotations(to, added);
        copy = added;
        copies.emplace_back(page, copy);
        pageCopies.emplace(page.getObjGen(), copy);
    }
    if (copies.empty())
        return 0;

    if (!sameDocument) {
        // Links first, on each copy's own annotations (in the order of the
        // source page's): the form helper below copies them again and keeps
        // what is fixed here.
        NamedDestinations names(source);
        for (auto& [page, copy] : copies) {
            QPDFObjectHandle annots = page.getKey("/Annots"), copied = copy.getKey("/Annots");
            if (!annots.isArray() || !copied.isArray() || copied.getArrayNItems() != annots.getArrayNItems())
                continue;
            for (int i = 0; i < annots.getArrayNItems(); ++i) {
                QPDFObjectHandle annot = annots.getArrayItem(i);
                if (!annot.isIndirect() || !annot.isDictionary() || !annot.getKey("/Subtype").isNameAndEquals("/Link"))
                    continue;
                retargetLink(from, names, copied.getArrayItem(i), annot, pageCopies);
            }
        }
    }

    // Form fields and annotations: each copy of a page gets its own
    // annotations, and the fields they belong to join this document's form
    // (renamed when the names clash), as qpdf --pages does.
    std::unique_ptr<QPDFAcroFormDocumentHelper> fromForms;
    if (!sameDocument)
        fromForms = std::make_unique<QPDFAcroFormDocumentHelper>(from);
    if (sameDocument || fromForms->hasAcroForm()) {
        QPDFAcroFormDocumentHelper toForms(to);
        for (auto& [page, copy] : copies) {
            QPDFObjectHandle annots = page.getKey("/Annots");
            if (!annots.isArray() || annots.getArrayNItems() == 0)
                continue;
            try {
                toForms.fixCopiedAnnotations(copy, page, sameDocument ? toForms : *fromForms);
            } catch (const std::exception&) {
                // Damaged annotations: the page keeps the ones QPDF copied with it.
            }
        }
    }

    return static_cast<int>(copies.size());
}

} // namespace fpe
