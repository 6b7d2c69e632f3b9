#pragma once

// One document of an instance: its QPDF object and what the concerns keep
// about it. Rendering, text and printing see the document as edited so far
// through snapshot(), which is rebuilt only after a change.

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjGen.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fpe {

struct RenderCache;  // render/render.h: Poppler documents kept for this document
struct OutlineTree;  // outlines.cpp: the bookmark tree as last read
struct DocumentFonts; // text/textdraw.cpp: the fonts embedded for drawn text

// Identity of a file on disk, to tell whether a path still holds the bytes
// a document was read from.
struct FileIdentity {
    qint64 size = -1;
    QDateTime modified;
    qint64 modifiedNs = 0;  // the same, to the file system's resolution
    quint64 inode = 0;
    bool valid() const { return size >= 0; }
    bool operator==(const FileIdentity& o) const
    {
        return size == o.size && modified == o.modified && modifiedNs == o.modifiedNs && inode == o.inode;
    }
    static FileIdentity of(const QString& path);
};

// A QPDF whose stream data pages of another document still read lazily:
// pages copied from it keep it alive until that document goes.
struct SourcePdf {
    std::shared_ptr<QPDF> pdf;
    QString path;  // the file it reads; empty for documents made in memory
    FileIdentity identity;
};

// How SaveToFile writes; the compression operations raise these.
struct SaveSettings {
    bool generateObjectStreams = false;
    bool recompressFlate = false;
    int compressionLevel = 0;  // 0: zlib's default
    std::string minimumVersion;  // raised by content that needs a later PDF version
};

// Drawing added on top of a page: one overlay stream per page, extended by
// every later drawing (pagecontent.h).
struct PageOverlay {
    QPDFObjectHandle stream;
    std::string content;
};

struct Document {
    explicit Document(int id);
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    const int id;
    std::shared_ptr<QPDF> pdf;

    // Where it was read from; empty for documents made in memory.
    QString sourcePath;
    FileIdentity sourceIdentity;
    std::string password;     // the password that opened it (UTF-8)
    bool encrypted = false;   // the source file is encrypted
    bool decrypt = false;     // Decrypt(): save without encryption
    // Documents whose pages were copied into this one (MergeDocument,
    // CopyPageRanges), with the documents they themselves copied from.
    std::vector<SourcePdf> foreignSources;
    // Its /Names /Dests tree read into a map, when pages are copied from it
    // (each copy's links are looked up); as of namedDestinationsRevision.
    std::shared_ptr<std::map<std::string, QPDFObjectHandle>> namedDestinations;
    quint64 namedDestinationsRevision = 0;

    int selectedPage = 1;     // 1-based

    // Bumped by every change; modified stays true once the document differs
    // from its source file.
    quint64 revision = 0;
    bool modified = false;
    void touch()
    {
        ++revision;
        modified = true;
    }

    // Pages in order (QPDF's cached list; refreshed by QPDF after page edits).
    // The page tree is walked, and pages whose objects are gone taken out of
    // it, when a page is first needed: every use of QPDF's pages goes
    // through here first.
    const std::vector<QPDFObjectHandle>& pageObjects();
    // The count the page tree's root states until the tree is walked, when
    // loading found it trustworthy (statedPageCount).
    int pageCount() { return pagesWalked ? static_cast<int>(pdf->getAllPages().size()) : statedPages; }
    bool hasPage(int n) { return n >= 1 && n <= pageCount(); }
    QPDFPageObjectHelper page(int n) { return QPDFPageObjectHelper(pageObjects().at(static_cast<size_t>(n - 1))); }
    // The pages of a file just read: with a count the file states and that
    // can be trusted (statedPageCount), the tree is walked when a page is
    // first needed; without one (0), now.
    void readPageTree(int stated);

    // The document as edited so far, serialized without encryption. Cached
    // until the next change.
    std::shared_ptr<const QByteArray> snapshot();

    // Per-concern state.
    std::map<int, QPDFObjGen> outlineIds;            // outline id -> outline item
    std::map<QPDFObjGen, int> outlineIdOf;           // and back
    std::shared_ptr<OutlineTree> outlineTree;
    std::vector<int> foundImages;                    // FindImages: image ids, document order
    std::map<QPDFObjGen, int> imageIds;              // image object -> its registry id
    std::map<QPDFObjGen, PageOverlay> overlays;      // page -> drawing overlay
    std::map<const void*, QPDFObjectHandle> embeddedImages;  // file image -> its XObject here
    std::shared_ptr<RenderCache> renderCache;
    std::shared_ptr<DocumentFonts> fonts;
    SaveSettings saveSettings;

private:
    bool pagesWalked = true;  // pageObjects() walks when false
    int statedPages = 0;
    std::shared_ptr<const QByteArray> snapshotData;
    quint64 snapshotRevision = 0;
};

// Makes the QPDF object quiet: warnings are kept, never printed.
void configureQuietly(QPDF& pdf);

// QPDF's list of pages, after taking out of the page tree the pages whose
// objects are gone: a damaged file (one cut short, mostly) can list them. The
// document then holds the pages that are there and is saved without broken ones.
const std::vector<QPDFObjectHandle>& walkPageTree(QPDF& pdf);

// The page count a freshly opened file states in its page tree's root, when
// it can be trusted without walking the tree: the file opened without
// repair, and the root's count is the sum of its children's. 0 otherwise.
int statedPageCount(QPDF& pdf);

} // namespace fpe
