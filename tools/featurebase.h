#pragma once

#include "brandingrecord.h"
#include "filenames.h"
#include "papersizes.h"
#include "runreport.h"

#include <QImage>
#include <QList>
#include <QMap>
#include <QPalette>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class PdfEngine;

namespace Ui {
class FeatureBase;
}

// The base of every tool page: the hooks the main window, the file list and
// the preview call, the per-file records of a run, output naming, the
// pre-processing of protected and colliding files, the engine routines every
// tool repeats, and the run skeleton (loading with checks, saving with the
// stamp, the record loop with progress and cancel) that fills the run's
// report. Every question goes through Questions (questions.h).
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

    // One run: Process with a fresh report, and the progress display put
    // away afterwards. The window and the command-line companion start every
    // run here and read what it did from the report.
    const RunReport& run(const QStringList& paths);
    const RunReport& lastReport() const { return runReport; }
    // A run is under way: the engine belongs to it (the preview and page
    // lists that fill in the background wait).
    bool isRunning() const { return running; }

    // Record building and output naming.
    QList<fileList> ToFileList(const QStringList& paths) const;
    QList<fileList> Show_SaveToFolder(QList<fileList> list);
    // Outputs written into a folder: asks the folder, then settles existing
    // outputs (and, for inputs of their own, passwords) of `list`. False
    // when the folder question was closed.
    bool ChooseOutputFolder(QList<fileList>& list, Inputs inputs);
    // The same for the tools writing one output per input of `files`.
    bool ChooseOutputFolder() { return ChooseOutputFolder(files, Inputs::Test); }
    void AskSaveFileName();
    // The run is refused when the file chosen to save is one of `inputs`,
    // which are never written over: true then.
    bool SaveNameIsAnInput(const QStringList& inputs, const QString& kind);
    static QString NumberedFileName(const QString& path, int n) { return filenames::numbered(path, n); }

    // Pre-processing (existing outputs, protected inputs) and engine routines.
    QList<fileList> PreProcess(QList<fileList> list, bool check, Inputs inputs = Inputs::Test);
    void RemoveAllDocuments();
    void StampDocumentInformation();
    void StripOutlines(const QString& file);
    void CreateLib();

    // Paper sizes by name: name -> QPageSize::PageSizeId.
    static QMap<QString, int> PaperSizeTable() { return papersizes::table(); }

    static QString ToNativePath(const QString& path);
    static double FitRatio(int w, int h, int W, int H);
    static double FitRatio(double w, double h, double W, double H);

    // What keeps a path from being opened at all ("no such file", "is a
    // folder, not a file", "not a regular file", "not readable"); empty when
    // nothing does. Pipes and devices are refused: reading one may never end.
    static QString InputProblem(const QString& path);
    // Why LoadFromFile failed, from LastLoadError, in the words of a report.
    QString LoadFailure(bool passwordGiven) const;

public slots:
    virtual void Process(QStringList paths);
    virtual QPixmap Preview(QPixmap image, int page, QString path);
    virtual void FileSelected(QString path);
    virtual void FileListChanged(QStringList paths);
    virtual QPixmap RenderPreviewPage(int page);
    virtual void ApplyHeaderPalette();

protected:
    // ---- the run skeleton: each routine fills the report
    RunReport& report() { return runReport; }
    // Opens the record's input with its password as the selected document,
    // then decrypts it unless asked not to. An input that does not open is
    // reported left out and false is returned, so that no tool ever works on
    // the document that happened to be selected before.
    bool LoadInput(const fileList& rec, bool decrypt = true);
    // The load of a single-file tool, in place of PreProcess and LoadInput:
    // the file is opened once, and goes through PreProcess's password
    // question only when it needs a password. The record keeps the password
    // typed. Reported as LoadInput; the file is then the engine's only
    // document, selected.
    bool LoadSingleInput(fileList& rec, bool decrypt = true);
    // Stamps the selected document's information (unless the tool keeps
    // the input's), saves it to `path` and reports the output written
    // or failed.
    enum class Stamp { Information, Nothing };
    bool SaveOutput(const QString& path, Stamp stamp = Stamp::Information);
    // Writes bytes to `path` completely or not at all; reported as SaveOutput.
    bool WriteOutputFile(const QString& path, const QByteArray& bytes);
    // Moves a file made elsewhere (a temporary folder, or beside `path`) to
    // `path` in one step, replacing what is there only once the whole file is
    // in place; reported as SaveOutput. `made` is gone afterwards either way.
    bool PlaceOutputFile(const QString& made, const QString& path);
    // Why writing `path` failed, as far as the file system tells.
    static QString SaveFailure(const QString& path);
    // Reports a step of the run's progress; false once the user asked to
    // stop (the report then says so), and from then on.
    bool Progress(const QString& label, int done, int total);
    // Calls `step` for each record in list order, with progress labelled by
    // `verb` and the record's file name; stops between records when the
    // user asks to. False when stopped.
    bool ForEachRecord(QList<fileList>& list, const QString& verb, const std::function<void(fileList&)>& step);
    // Selects each page of the selected document in turn, from the first, and
    // calls `step` with its number (the count is asked again before each
    // page); progress names the page, after the record under way in
    // ForEachRecord. Stops between pages when the user asks to; false then.
    bool ForEachPage(const std::function<void(int page)>& step);

    // A page (from 1) of the selected document drawn at that resolution by
    // the engine, through a temporary folder that removes itself; a null
    // image when nothing could be drawn.
    QImage RenderPage(int page, double dpi);

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
    RunReport runReport;
    bool running = false;
    bool stopped = false;
    QString recordStep;  // the progress label of ForEachRecord's record under way
};
