// Documents: loading, merging, copying pages, saving, security, document information.

#include "core/instance.h"
#include "core/outputfile.h"
#include "documents/filesource.h"
#include "documents/pagecopy.h"
#include "documents/pageranges.h"
#include "documents/pages.h"
#include "documents/xmp.h"

#include <qpdf/Buffer.hh>
#include <qpdf/Pl_Flate.hh>
#include <qpdf/Pl_Function.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFWriter.hh>
#include <qpdf/QUtil.hh>

#include <QFileInfo>

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace fpe {

namespace {

// The byte strings a typed password may stand for: UTF-8 (AES-256 files),
// its compatibility normalisation (what the AES-256 handler's SASLprep does
// to most text), PDFDocEncoding (the older handlers) and Latin-1 (files whose
// writers took the code page's bytes). Last the empty password: a file that
// anyone may open opens whatever was typed.
std::vector<std::string> passwordCandidates(const QString& password)
{
    std::vector<std::string> candidates;
    auto add = [&candidates](const std::string& s) {
        if (std::find(candidates.begin(), candidates.end(), s) == candidates.end())
            candidates.push_back(s);
    };
    const std::string utf8 = password.toStdString();
    add(utf8);
    add(password.normalized(QString::NormalizationForm_KC).toStdString());
    std::string pdfDoc;
    if (QUtil::utf8_to_pdf_doc(utf8, pdfDoc))
        add(pdfDoc);
    const bool latin1 = std::all_of(password.begin(), password.end(), [](QChar c) { return c.unicode() < 256; });
    if (latin1)
        add(password.toLatin1().toStdString());
    add(std::string());
    return candidates;
}

// A file rewritten in place since a document was read from it would feed its
// new bytes to the objects QPDF still reads lazily. A file replaced (renamed
// over, as our own saves do) or deleted is harmless: QPDF keeps the old one open.
bool sourceIntact(const QString& path, const FileIdentity& loaded)
{
    if (path.isEmpty() || !loaded.valid())
        return true;
    const FileIdentity now = FileIdentity::of(path);
    if (!now.valid() || now.inode != loaded.inode)
        return true;
    return now == loaded;
}

bool sourcesIntact(const Document& doc)
{
    if (!sourceIntact(doc.sourcePath, doc.sourceIdentity))
        return false;
    return std::all_of(doc.foreignSources.begin(), doc.foreignSources.end(),
                       [](const SourcePdf& s) { return sourceIntact(s.path, s.identity); });
}

// Readers accept the header anywhere in the first kilobyte. Without one the
// file is no PDF, and QPDF's repair would scan all of it in vain.
bool looksLikePdf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(1024).contains("%PDF-");
}

} // namespace

int Instance::DocumentCount()
{
    return static_cast<int>(documents.size());
}

int Instance::GetDocumentID(int Index)
{
    if (Index < 1 || Index > static_cast<int>(documents.size()))
        return 0;
    return documents[static_cast<size_t>(Index - 1)]->id;
}

int Instance::SelectDocument(int DocumentID)
{
    if (!findDocument(DocumentID))
        return 0;
    selectedDocumentId = DocumentID;
    return 1;
}

int Instance::SelectedDocument()
{
    return selectedDoc().id;
}

int Instance::LastLoadError()
{
    return lastLoadError;
}

int Instance::LoadFromFile(const QString& FileName, const QString& Password)
{
    lastLoadError = folio::LoadNoFile;
    const QFileInfo info(FileName);
    if (FileName.isEmpty() || !info.isFile() || !info.isReadable())
        return 0;
    lastLoadError = folio::LoadNotPdf;
    if (!looksLikePdf(FileName))
        return 0;
    lastLoadError = folio::LoadDamaged;
    const QString path = info.absoluteFilePath();
    const FileIdentity identity = FileIdentity::of(path);
    const std::vector<std::string> passwords = passwordCandidates(Password);
    std::string tail;  // a substitute trailer, once QPDF could not repair the file without one
    for (size_t attempt = 0; attempt < passwords.size();) {
        const std::string& password = passwords[attempt];
        auto pdf = std::make_shared<QPDF>();
        configureQuietly(*pdf);
        int statedPages = 0;
        try {
            // QPDF reads lazily: only the cross-reference data and the page
            // tree's root are read here, whatever the file's size. Damaged
            // files are reconstructed by QPDF where it can, and their page
            // tree walked and mended at once.
            pdf->processInputSource(std::make_shared<CachedFileSource>(path, tail), password.c_str());
            statedPages = tail.empty() ? statedPageCount(*pdf) : 0;
            if (statedPages == 0 && walkPageTree(*pdf).empty()) {
                // A file read without repair really has no page; one that
                // needed repair has lost them.
                lastLoadError = tail.empty() && !pdf->anyWarnings() ? folio::LoadNoPages : folio::LoadDamaged;
                return 0;
            }
        } catch (const std::exception& e) {
            const auto* qpdfError = dynamic_cast<const QPDFExc*>(&e);
            if (qpdfError && qpdfError->getErrorCode() == qpdf_e_password) {
                lastLoadError = folio::LoadNeedsPassword;
                ++attempt;  // the password's next encoding
                continue;
            }
            lastLoadError = folio::LoadDamaged;
            if (!tail.empty())
                return 0;
            tail = substituteTrailer(path);
            if (tail.empty())
                return 0;
            continue;
        }
        auto doc = std::make_unique<Document>(newId());
        doc->pdf = pdf;
        doc->readPageTree(statedPages);
        doc->sourcePath = path;
        doc->sourceIdentity = identity;
        doc->password = password;
        doc->encrypted = pdf->isEncrypted();
        addDocument(std::move(doc));
        lastLoadError = folio::LoadSucceeded;
        return 1;
    }
    return 0;
}

int Instance::RemoveDocument(int DocumentID)
{
    for (auto it = documents.begin(); it != documents.end(); ++it) {
        if ((*it)->id != DocumentID)
            continue;
        forgetDocument(DocumentID);
        documents.erase(it);
        if (documents.empty())
            addDocument(makeBlankDocument());
        else if (selectedDocumentId == DocumentID)
            selectedDocumentId = documents.back()->id;
        return 1;
    }
    return 0;
}

int Instance::NewDocument()
{
    return addDocument(makeBlankDocument()).id;
}

int Instance::MergeDocument(int DocumentID)
{
    Document& dest = selectedDoc();
    Document* source = findDocument(DocumentID);
    if (!source || source == &dest)
        return 0;
    std::vector<int> all(static_cast<size_t>(source->pageCount()));
    std::iota(all.begin(), all.end(), 0);
    return appendPages(dest, *source, all) > 0 ? 1 : 0;
}

// Returns the number of pages appended.
int Instance::CopyPageRanges(int DocumentID, const QString& RangeList)
{
    Document& dest = selectedDoc();
    Document* source = findDocument(DocumentID);
    if (!source)
        return 0;
    return appendPages(dest, *source, parsePageRanges(RangeList, source->pageCount()));
}

int Instance::SaveToFile(const QString& FileName)
{
    Document& doc = selectedDoc();
    // Written completely or not at all, like every file the engine writes;
    // a target that cannot be written fails before any work is done.
    OutputFile out(FileName);
    if (!out.isOpen() || doc.pageObjects().empty() || !sourcesIntact(doc))
        return 0;
    try {
        bool failed = false;
        // QPDF hands over a file a few bytes at a time: they reach the file
        // in large pieces.
        std::string pending;
        const auto flush = [&] {
            if (!pending.empty() && !out.write(pending.data(), static_cast<qint64>(pending.size())))
                failed = true;
            pending.clear();
        };
        Pl_Function sink("save", nullptr, [&](unsigned char const* data, size_t len) {
            pending.append(reinterpret_cast<const char*>(data), len);
            if (pending.size() >= 65536)
                flush();
        });
        // QPDF writes /Size only where the trailer it read had one, and a
        // trailer without it makes the file damaged; QPDF fills in the value.
        QPDFObjectHandle trailer = doc.pdf->getTrailer();
        if (!trailer.hasKey("/Size"))
            trailer.replaceKey("/Size", QPDFObjectHandle::newInteger(0));
        QPDFWriter writer(*doc.pdf);
        writer.setOutputPipeline(&sink);
        if (doc.decrypt)
            writer.setPreserveEncryption(false);
        const SaveSettings& settings = doc.saveSettings;
        if (settings.generateObjectStreams)
            writer.setObjectStreamMode(qpdf_o_generate);
        if (settings.recompressFlate)
            writer.setRecompressFlate(true);
        if (!settings.minimumVersion.empty())
            writer.setMinimumPDFVersion(settings.minimumVersion);
        // zlib's level is a process-wide setting of QPDF: set it for this write only.
        Pl_Flate::setCompressionLevel(settings.compressionLevel > 0 ? settings.compressionLevel : -1);
        try {
            writer.write();
        } catch (...) {
            Pl_Flate::setCompressionLevel(-1);
            throw;
        }
        Pl_Flate::setCompressionLevel(-1);
        flush();
        if (failed)
            return 0;
    } catch (const std::exception&) {
        return 0;
    }
    return out.commit() ? 1 : 0;
}

int Instance::Decrypt()
{
    selectedDoc().decrypt = true;
    return 1;
}

namespace {

// The Info dictionary's keys, by information key (1 Author ... 8 ModDate).
const char* const infoKeys[] = {"/Author", "/Title", "/Subject", "/Keywords",
                                "/Creator", "/Producer", "/CreationDate", "/ModDate"};

} // namespace

int Instance::SetInformation(int Key, const QString& NewValue)
{
    if (Key < folio::InfoAuthor || Key > folio::InfoProducer)
        return 0;
    Document& doc = selectedDoc();
    QPDF& pdf = *doc.pdf;
    QPDFObjectHandle trailer = pdf.getTrailer();
    QPDFObjectHandle info = trailer.getKey("/Info");
    if (!info.isDictionary()) {
        info = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
        trailer.replaceKey("/Info", info);
    }
    const std::string value = NewValue.toStdString();
    info.replaceKey(infoKeys[Key - 1], QPDFObjectHandle::newUnicodeString(value));

    // Viewers that prefer XMP metadata must show the same.
    QPDFObjectHandle metadata = pdf.getRoot().getKey("/Metadata");
    if (metadata.isStream()) {
        std::string packet;
        try {
            std::shared_ptr<Buffer> data = metadata.getStreamData(qpdf_dl_all);
            packet.assign(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
        } catch (const std::exception&) {
            packet.clear();  // undecodable: left alone
        }
        std::string updated;
        if (!packet.empty() && updateXmpInformation(packet, static_cast<folio::InfoKey>(Key), NewValue, updated))
            metadata.replaceStreamData(updated, QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
    }
    doc.touch();
    return 1;
}

// The document information as stored (dates in PDF date form); empty when
// the entry is missing or is no text.
QString Instance::GetInformation(int Key)
{
    if (Key < folio::InfoAuthor || Key > folio::InfoModDate)
        return QString();
    QPDFObjectHandle info = selectedDoc().pdf->getTrailer().getKey("/Info");
    if (!info.isDictionary())
        return QString();
    QPDFObjectHandle value = info.getKey(infoKeys[Key - 1]);
    return value.isString() ? QString::fromStdString(value.getUTF8Value()) : QString();
}

} // namespace fpe
