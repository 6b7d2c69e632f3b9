#include "featurebase.h"

#include "folioconstants.h"
#include "pdfengine.h"
#include "questions.h"
#include "resourceinit.h"
#include "ui_featurebase.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryDir>

#include <cstdio>

QString FeatureBase::SaveFailure(const QString& path)
{
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("its folder does not exist");
    if (info.isDir())
        return QStringLiteral("a folder of that name is in the way");
    if (!folder.isWritable())
        return QStringLiteral("its folder cannot be written to");
    if (info.exists() && !info.isWritable())
        return QStringLiteral("the file is read-only");
    return QStringLiteral("it could not be saved");
}

FeatureBase::FeatureBase(QWidget* parent, const BrandingRecord& branding)
    : QWidget(parent)
    , record(branding)
{
    initFolioResources();
    ui = new Ui::FeatureBase;
    ui->setupUi(this);
    CreateLib();
}

FeatureBase::~FeatureBase()
{
    // The page lives as long as the program; its engine instance is released
    // with it, while every library it uses is still loaded.
    delete engine;
    delete ui;
}

bool FeatureBase::hasEngine() const
{
    return engine && engine->LibraryLoaded();
}

void FeatureBase::CreateLib()
{
    if (record.editionCode / 10000.0f >= 2.0f) {
        // Brands 2 and higher have no engine: a facade bound to no library.
        engine = new PdfEngine(QString());
        return;
    }
    engine = new PdfEngine(QStringLiteral("FolioPdfEngine"));
    qDebug() << (engine->LibraryLoaded() ? "true" : "false");
}

// ---------------------------------------------------------------- hooks

void FeatureBase::Process(QStringList) {}

QPixmap FeatureBase::Preview(QPixmap image, int, QString)
{
    return image;
}

void FeatureBase::FileSelected(QString) {}

void FeatureBase::FileListChanged(QStringList) {}

QPixmap FeatureBase::RenderPreviewPage(int)
{
    return QPixmap();
}

void FeatureBase::ApplyHeaderPalette() {}

// ---------------------------------------------------------------- helpers

QString FeatureBase::ToNativePath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

double FeatureBase::FitRatio(int w, int h, int W, int H)
{
    return FitRatio(double(w), double(h), double(W), double(H));
}

double FeatureBase::FitRatio(double w, double h, double W, double H)
{
    const double r = h / w;
    if (W * r > H)
        return h / H;
    return w / W;
}

// ---------------------------------------------------------------- records and names

QList<FeatureBase::fileList> FeatureBase::ToFileList(const QStringList& paths) const
{
    QList<fileList> list;
    for (int i = 0; i < paths.size(); ++i) {
        fileList rec;
        rec.id = i;
        rec.inputFile = paths.at(i);
        list.append(rec);
    }
    return list;
}

bool FeatureBase::ChooseOutputFolder(QList<fileList>& list, Inputs inputs)
{
    list = Show_SaveToFolder(list);
    if (list.isEmpty() || list.first().outputFile.isEmpty())
        return false;
    list = PreProcess(list, false, inputs);
    return true;
}

QList<FeatureBase::fileList> FeatureBase::Show_SaveToFolder(QList<fileList> list)
{
    skipCollisionCheck = false;
    const QString folder = Questions::existingDirectory(nullptr, QString(), QString());
    if (folder.isEmpty())
        return list;

    // Names taken so far in this pass: repeated input names get name(1),
    // name(2) ... and no two records ever share an output path.
    QStringList taken;
    auto isTaken = [&taken](const QString& name) {
        for (const QString& t : taken)
            if (filenames::sameName(t, name))
                return true;
        return false;
    };
    for (fileList& rec : list) {
        const QString name = filenames::fileNameOf(rec.inputFile);
        QString chosen = name;
        for (int n = 1; isTaken(chosen); ++n)
            chosen = filenames::numbered(name, n);
        if (chosen != name)
            qDebug() << chosen;
        taken << chosen;
        rec.outputFile = ToNativePath(QDir(folder).filePath(chosen));
    }
    return list;
}

bool FeatureBase::SaveNameIsAnInput(const QStringList& inputs, const QString& kind)
{
    for (const QString& input : inputs) {
        if (filenames::sameFile(input, saveFileName)) {
            runReport.refuse(QStringLiteral("The PDF would be written over %1, one of the %2: choose another name.")
                                 .arg(input, kind));
            return true;
        }
    }
    return false;
}

void FeatureBase::AskSaveFileName()
{
    skipCollisionCheck = true;
    saveFileName = Questions::saveFileName(this, QString(), QString(), record.saveFilter);
}

// ---------------------------------------------------------------- pre-processing

QList<FeatureBase::fileList> FeatureBase::PreProcess(QList<fileList> list, bool check, Inputs inputs)
{
    QList<qint32> drop;
    for (int i = 0; i < list.size(); ++i) {
        fileList& rec = list[i];
        rec.marked = false;
        bool skipped = false;

        if (!skipCollisionCheck && !rec.outputFile.isEmpty() && QFileInfo::exists(rec.outputFile)) {
            const int answer = Questions::fileExists(this, filenames::fileNameOf(rec.outputFile));
            if (answer == folio::FileExistsSkip) {
                drop.append(rec.id);
                skipped = true;
                runReport.skipped(rec.outputFile);
            } else if (answer == folio::FileExistsRename) {
                // Not the output of another record of this run either.
                QSet<QString> claimed;
                for (int j = 0; j < list.size(); ++j)
                    if (j != i && !list.at(j).outputFile.isEmpty())
                        claimed.insert(QFileInfo(list.at(j).outputFile).absoluteFilePath());
                rec.outputFile = filenames::freeNumbered(rec.outputFile, claimed);
                qDebug() << rec.outputFile;
            }
            // Override, or the dialog closed by its frame: keep the name.
        }

        if (inputs == Inputs::OutputsOnly || !hasEngine() || (skipped && !check))
            continue;

        // A file that is missing, damaged or no PDF is left out at once: only
        // a protected one has a password worth asking for.
        QString problem = InputProblem(rec.inputFile);
        bool asked = false;
        while (problem.isEmpty()) {
            if (engine->LoadFromFile(rec.inputFile, rec.password) == folio::Success) {
                if (asked)
                    engine->Decrypt();
                RemoveAllDocuments();
                break;
            }
            if (engine->LastLoadError() != folio::LoadNeedsPassword) {
                problem = LoadFailure(!rec.password.isEmpty());
                break;
            }
            QString typed;
            if (!Questions::password(this, rec.inputFile, &typed)) {
                problem = LoadFailure(asked || !rec.password.isEmpty());
                break;
            }
            rec.password = typed;
            asked = true;
        }
        if (!problem.isEmpty()) {
            drop.append(rec.id);
            runReport.leftOut(rec.inputFile, problem);
            RemoveAllDocuments();
        }
    }

    for (qint32 id : drop) {
        for (int i = 0; i < list.size(); ++i) {
            if (list.at(i).id == id) {
                list.removeAt(i);
                break;
            }
        }
    }
    return list;
}

// ---------------------------------------------------------------- engine routines

void FeatureBase::RemoveAllDocuments()
{
    // The count is asked again on every pass, so of n documents the oldest
    // ceil(n/2) go: with the usual two (the engine's spare one and a loaded
    // file) the loaded file stays, selected. Tools count on that.
    QList<int> ids;
    for (int i = 1; i <= engine->DocumentCount(); ++i)
        ids.append(engine->GetDocumentID(i));
    for (int k = 0; k < engine->DocumentCount() && k < ids.size(); ++k)
        engine->RemoveDocument(ids.at(k));
}

void FeatureBase::DiscardDocuments()
{
    QList<int> ids;
    const int count = engine->DocumentCount();
    for (int i = 1; i <= count; ++i)
        ids.append(engine->GetDocumentID(i));
    for (int id : ids)
        engine->RemoveDocument(id);
}

void FeatureBase::StampDocumentInformation()
{
    engine->SetInformation(folio::InfoAuthor, QString());
    engine->SetInformation(folio::InfoAuthor, record.toolUrl);
    engine->SetInformation(folio::InfoTitle, QString());
    engine->SetInformation(folio::InfoSubject, QString());
    engine->SetInformation(folio::InfoKeywords, QString());
    engine->SetInformation(folio::InfoCreator, QString());
    engine->SetInformation(folio::InfoCreator, record.toolName);
}

QImage FeatureBase::RenderPage(int page, double dpi)
{
    QImage image;
    QTemporaryDir dir;
    if (!dir.isValid())
        return image;
    const QString target = ToNativePath(dir.filePath(QGuiApplication::applicationDisplayName()));
    if (engine->RenderPageToFile(dpi, page, folio::RenderBmp, target) == folio::Success)
        image.load(target);
    return image;
}

void FeatureBase::RemoveOutlines()
{
    // Collect every id first, then remove them: removing while counting would
    // skip every other bookmark. Removing a parent takes its children along,
    // so later ids of the list may already be gone; repeat until none is left
    // or nothing more goes.
    int count = engine->OutlineCount();
    while (count > 0) {
        QList<int> ids;
        for (int i = 1; i <= count; ++i)
            ids.append(engine->GetOutlineID(i));
        for (int id : ids)
            engine->RemoveOutline(id);
        const int left = engine->OutlineCount();
        if (left >= count)
            break;
        count = left;
    }
}

void FeatureBase::StripOutlines(const QString& file)
{
    if (engine->OutlineCount() == 0)
        return;
    RemoveAllDocuments();
    if (engine->LoadFromFile(file, QString()) != folio::Success)
        return;
    RemoveOutlines();
    StampDocumentInformation();
    engine->SaveToFile(file);
    RemoveAllDocuments();
}

void FeatureBase::InsertFileNameBookmarks(const BookmarkMap& map)
{
    for (auto it = map.constEnd(); it != map.constBegin();) {
        --it;
        engine->NewOutline(0, it.value(), it.key(), 0.0);
    }
}

void FeatureBase::AddFileNameBookmarks(const QString& file, const BookmarkMap& map)
{
    if (map.isEmpty())
        return;
    RemoveAllDocuments();
    if (engine->LoadFromFile(file, QString()) != folio::Success)
        return;
    InsertFileNameBookmarks(map);
    StampDocumentInformation();
    engine->SaveToFile(file);
    RemoveAllDocuments();
}

// ---------------------------------------------------------------- the run skeleton

const RunReport& FeatureBase::run(const QStringList& paths)
{
    runReport.clear();
    running = true;
    stopped = false;
    Process(paths);
    Questions::current().progressDone();
    running = false;
    return runReport;
}

QString FeatureBase::InputProblem(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("no such file");
    if (info.isDir())
        return QStringLiteral("is a folder, not a file");
    if (!info.isFile())
        return QStringLiteral("not a regular file");
    if (!info.isReadable())
        return QStringLiteral("not readable");
    return QString();
}

QString FeatureBase::LoadFailure(bool passwordGiven) const
{
    switch (engine->LastLoadError()) {
    case folio::LoadNoFile:
        return QStringLiteral("not readable");
    case folio::LoadNotPdf:
        return QStringLiteral("not a PDF");
    case folio::LoadNeedsPassword:
        return passwordGiven ? QStringLiteral("protected: wrong password") : QStringLiteral("protected: needs a password");
    case folio::LoadNoPages:
        return QStringLiteral("has no pages");
    default:
        return QStringLiteral("damaged beyond repair");
    }
}

bool FeatureBase::LoadInput(const fileList& rec, bool decrypt)
{
    QString problem = InputProblem(rec.inputFile);
    if (problem.isEmpty()) {
        if (engine->LoadFromFile(rec.inputFile, rec.password) == folio::Success) {
            if (decrypt)
                engine->Decrypt();
            runReport.processed(rec.inputFile);
            return true;
        }
        problem = LoadFailure(!rec.password.isEmpty());
    }
    qDebug() << "does not open:" << rec.inputFile << problem;
    runReport.leftOut(rec.inputFile, problem);
    return false;
}

bool FeatureBase::LoadSingleInput(fileList& rec, bool decrypt)
{
    DiscardDocuments();
    bool loaded = false;
    if (InputProblem(rec.inputFile).isEmpty() && engine->LoadFromFile(rec.inputFile, rec.password) == folio::Success) {
        if (decrypt)
            engine->Decrypt();
        runReport.processed(rec.inputFile);
        loaded = true;
    } else if (!InputProblem(rec.inputFile).isEmpty() || engine->LastLoadError() != folio::LoadNeedsPassword) {
        return LoadInput(rec, decrypt);  // reports why it does not open
    } else {
        const QList<fileList> asked = PreProcess({rec}, false);
        if (asked.isEmpty())
            return false;
        rec = asked.first();
        loaded = LoadInput(rec, decrypt);
    }
    // The older half goes: the engine's spare document, or the copy the password test opened.
    if (loaded)
        RemoveAllDocuments();
    return loaded;
}

bool FeatureBase::SaveOutput(const QString& path, Stamp stamp)
{
    if (stamp == Stamp::Information)
        StampDocumentInformation();
    if (engine->SaveToFile(path) == folio::Success && QFileInfo(path).isFile()) {
        runReport.written(path);
        return true;
    }
    qDebug() << "could not write" << path;
    runReport.failed(path, SaveFailure(path));
    return false;
}

bool FeatureBase::WriteOutputFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) {
        runReport.written(path);
        return true;
    }
    runReport.failed(path, file.errorString().isEmpty() ? SaveFailure(path) : file.errorString());
    return false;
}

bool FeatureBase::PlaceOutputFile(const QString& made, const QString& path)
{
    // The last step is always a rename within one file system, which never
    // leaves half a file behind: of the file itself when it was made on the
    // target's file system, else of a copy made next to the target.
    const QFileInfo target(path);
    QString error;
    if (!QFileInfo(made).isFile() || QFileInfo(made).size() == 0) {
        error = QStringLiteral("nothing was made to write");
    } else if (!QFileInfo(target.absolutePath()).isDir() || target.isDir()) {
        error = SaveFailure(path);
    } else if (::rename(QFile::encodeName(made).constData(), QFile::encodeName(path).constData()) != 0) {
        const QString part = QDir(target.absolutePath()).filePath(QStringLiteral(".%1.part").arg(target.fileName()));
        QFile::remove(part);
        if (!QFile::copy(made, part)) {
            error = SaveFailure(path);
        } else if (::rename(QFile::encodeName(part).constData(), QFile::encodeName(path).constData()) != 0) {
            error = SaveFailure(path);
            QFile::remove(part);
        }
    }
    QFile::remove(made);
    if (!error.isEmpty()) {
        runReport.failed(path, error);
        return false;
    }
    runReport.written(path);
    return true;
}

bool FeatureBase::Progress(const QString& label, int done, int total)
{
    if (!stopped && !Questions::current().progress(this, label, done, total)) {
        stopped = true;
        runReport.cancel();
    }
    return !stopped;
}

bool FeatureBase::ForEachRecord(QList<fileList>& list, const QString& verb, const std::function<void(fileList&)>& step)
{
    const int total = int(list.size());
    for (int i = 0; i < total; ++i) {
        fileList& rec = list[i];
        const QString name = filenames::fileNameOf(rec.outputFile.isEmpty() ? rec.inputFile : rec.outputFile);
        recordStep = QStringLiteral("%1 %2 (%3 of %4)").arg(verb, name).arg(i + 1).arg(total);
        if (!Progress(recordStep, i, total)) {
            recordStep.clear();
            return false;
        }
        step(rec);
    }
    recordStep.clear();
    return Progress(verb, total, total);
}

bool FeatureBase::ForEachPage(const std::function<void(int page)>& step)
{
    for (int p = 1, count = engine->PageCount(); p <= count; ++p, count = engine->PageCount()) {
        const QString page = QStringLiteral("page %1 of %2").arg(p).arg(count);
        if (!Progress(recordStep.isEmpty() ? page : recordStep + QStringLiteral(", ") + page, p - 1, count))
            return false;
        engine->SelectPage(p);
        step(p);
    }
    return !stopped;
}
