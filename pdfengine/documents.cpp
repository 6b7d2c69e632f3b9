// Documents: loading, merging, copying pages, saving, security, document information.

#include "instance.h"

#include <qpdf/Pl_Flate.hh>
#include <qpdf/Pl_Function.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFWriter.hh>

#include <QFileInfo>
#include <QSaveFile>

#include <stdexcept>

namespace fpe {

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

int Instance::LoadFromFile(const QString& FileName, const QString& Password)
{
    const QFileInfo info(FileName);
    if (FileName.isEmpty() || !info.isFile() || !info.isReadable())
        return 0;
    auto doc = std::make_unique<Document>(newId());
    doc->pdf = std::make_shared<QPDF>();
    configureQuietly(*doc->pdf);
    const QByteArray path = QFile::encodeName(info.absoluteFilePath());
    const QByteArray password = Password.toUtf8();
    try {
        // QPDF reads lazily: only the cross-reference data and the page tree
        // are touched here, whatever the file's size.
        doc->pdf->processFile(path.constData(), password.constData());
        doc->pdf->getRoot();
        if (doc->pageCount() < 1)
            return 0;
    } catch (const std::exception&) {
        return 0;
    }
    doc->sourcePath = info.absoluteFilePath();
    doc->sourceIdentity = FileIdentity::of(doc->sourcePath);
    doc->password = password.toStdString();
    doc->encrypted = doc->pdf->isEncrypted();
    addDocument(std::move(doc));
    return 1;
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

int Instance::MergeDocument(int)
{
    return 0;
}

int Instance::CopyPageRanges(int, const QString&)
{
    return 0;
}

int Instance::SaveToFile(const QString& FileName)
{
    Document& doc = selectedDoc();
    if (FileName.isEmpty() || doc.pageCount() < 1)
        return 0;
    // The file is written beside its target and renamed into place, so a
    // failed save leaves no partial file and the earlier file intact.
    QSaveFile out(FileName);
    if (!out.open(QIODevice::WriteOnly))
        return 0;
    try {
        bool failed = false;
        Pl_Function sink("save", nullptr, [&](unsigned char const* data, size_t len) {
            if (out.write(reinterpret_cast<const char*>(data), static_cast<qint64>(len)) != static_cast<qint64>(len))
                failed = true;
        });
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
        if (failed) {
            out.cancelWriting();
            return 0;
        }
    } catch (const std::exception&) {
        out.cancelWriting();
        return 0;
    }
    return out.commit() ? 1 : 0;
}

int Instance::Decrypt()
{
    selectedDoc().decrypt = true;
    return 1;
}

int Instance::SetInformation(int, const QString&)
{
    return 0;
}

} // namespace fpe
