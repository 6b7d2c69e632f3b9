#pragma once

#include "brandingrecord.h"

#include <QList>
#include <QMap>
#include <QPalette>
#include <QPixmap>
#include <QSet>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QWidget>

class PdfEngine;

namespace Ui {
class FeatureBase;
}

// The base of every tool page: the hooks the main window, the file list and
// the preview call, the per-file records of a run, output naming, the
// pre-processing of protected and colliding files, and the engine routines
// every tool repeats. Every question goes through Questions (questions.h).
class FeatureBase : public QWidget
{
    Q_OBJECT

public:
    // One file of a run.
    struct fileList
    {
        qint32 id = 0;
        QString inputFile;
        QString outputFile;
        QString password;
        QString extra;
        bool marked = false;
    };

    // Whether PreProcess test-opens the records' inputFile. Records that only
    // carry output names (pages, images, texts made from one source) pass
    // OutputsOnly so that no made-up input name is ever opened as a PDF.
    enum class Inputs { Test, OutputsOnly };

    // File-name bookmarks: page of the result (from 1) -> title.
    using BookmarkMap = QMap<int, QString>;

    FeatureBase(QWidget* parent, const BrandingRecord& record);
    ~FeatureBase() override;

    bool skipCollisionCheck = false;
    QString saveFileName;
    bool previewRequest = false;
    bool processRequest = false;
    qint32 fileCount = 0;
    qint32 selectedIndex = -1;
    QPalette headerPalette;
    // Never null; owned by the page. A page without an engine (brand 2 or higher, or no engine
    // library) holds a facade bound to no library: every call answers 0 or
    // empty text and reaches nothing. hasEngine() tells the two apart.
    PdfEngine* engine = nullptr;
    QList<fileList> files;

    // The one test for "this page can do PDF work".
    bool hasEngine() const;
    const BrandingRecord& branding() const { return record; }

    // Record building and output naming.
    QList<fileList> ToFileList(const QStringList& paths) const;
    QList<fileList> Show_SaveToFolder(QList<fileList> list);
    void AskSaveFileName();
    static QString NumberedFileName(const QString& path, int n);
    // The first NumberedFileName(path, n), n = 1, 2 ..., that names no
    // existing file and no path of `claimed` (absolute paths).
    static QString FreeNumberedFileName(const QString& path, const QSet<QString>& claimed = {});

    // Pre-processing (existing outputs, protected inputs) and engine routines.
    QList<fileList> PreProcess(QList<fileList> list, bool check, Inputs inputs = Inputs::Test);
    void RemoveAllDocuments();
    void StampDocumentInformation();
    void StripOutlines(const QString& file);
    void CreateLib();

    // Paper sizes by name: name -> QPageSize::PageSizeId.
    static QMap<QString, int> PaperSizeTable();
    // Width and height in millimetres of a paper name; unknown names give A4.
    static QSizeF PaperSizeMillimetres(const QString& name);

    // Helpers.
    static QString ToNativePath(const QString& path);
    static double FitRatio(int w, int h, int W, int H);
    static double FitRatio(double w, double h, double W, double H);
    // Path parts, split at the platform's own separator: the file name is the
    // text after the last separator (the whole path when there is none).
    static QString FileNameOf(const QString& path);
    static QString FolderOf(const QString& path);

public slots:
    virtual void Process(QStringList paths);
    virtual QPixmap Preview(QPixmap image, int page, QString path);
    virtual void FileSelected(QString path);
    virtual void FileListChanged(QStringList paths);
    virtual QPixmap RenderPreviewPage(int page);
    virtual void ApplyHeaderPalette();

protected:
    // Removes every bookmark of the selected document.
    void RemoveOutlines();
    // Removes every document of the engine; it then holds one empty document.
    void DiscardDocuments();
    // Adds one top-level bookmark per entry to the selected document, the last
    // page first: each new top-level bookmark goes in front, so they read in
    // page order.
    void InsertFileNameBookmarks(const BookmarkMap& map);
    // The same on a saved file: reopens it, adds the bookmarks, stamps and
    // saves it again. Nothing happens for an empty map.
    void AddFileNameBookmarks(const QString& file, const BookmarkMap& map);

    BrandingRecord record;

private:
    Ui::FeatureBase* ui;
};
