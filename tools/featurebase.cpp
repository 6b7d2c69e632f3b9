#include "featurebase.h"

#include "pdfengine.h"
#include "questions.h"
#include "resourceinit.h"
#include "ui_featurebase.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QPageSize>
#include <QSet>

namespace {

// Information keys of SetInformation.
enum InfoKey { Author = 1, Title = 2, Subject = 3, Keywords = 4, Creator = 5 };

// Rename looks for a free numbered name up to this number (255 cubed).
constexpr int numberedNameLimit = 16581375;

Qt::CaseSensitivity fileNameCase()
{
#ifdef Q_OS_WIN
    return Qt::CaseInsensitive;
#else
    return Qt::CaseSensitive;
#endif
}

bool sameFileName(const QString& a, const QString& b)
{
    return a.compare(b, fileNameCase()) == 0;
}

// name(n).ext; the name keeps everything before its last dot.
QString numberedName(const QString& fileName, int n)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString number = QStringLiteral("(%1)").arg(n);
    if (dot <= 0)
        return fileName + number;
    return fileName.left(dot) + number + fileName.mid(dot);
}

} // namespace

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

QString FeatureBase::FileNameOf(const QString& path)
{
    return path.mid(path.lastIndexOf(QDir::separator()) + 1);
}

QString FeatureBase::FolderOf(const QString& path)
{
    const int sep = path.lastIndexOf(QDir::separator());
    return sep < 0 ? QString() : path.left(sep);
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
            if (sameFileName(t, name))
                return true;
        return false;
    };
    for (fileList& rec : list) {
        const QString name = FileNameOf(rec.inputFile);
        QString chosen = name;
        for (int n = 1; isTaken(chosen); ++n)
            chosen = numberedName(name, n);
        if (chosen != name)
            qDebug() << chosen;
        taken << chosen;
        rec.outputFile = ToNativePath(QDir(folder).filePath(chosen));
    }
    return list;
}

QString FeatureBase::NumberedFileName(const QString& path, int n)
{
    const QString name = numberedName(FileNameOf(path), n);
    if (path.lastIndexOf(QDir::separator()) < 0)
        return name;
    return QDir(FolderOf(path)).filePath(name);
}

QString FeatureBase::FreeNumberedFileName(const QString& path, const QSet<QString>& claimed)
{
    QString renamed;
    for (int n = 1; n < numberedNameLimit; ++n) {
        renamed = ToNativePath(NumberedFileName(path, n));
        if (!QFileInfo::exists(renamed) && !claimed.contains(QFileInfo(renamed).absoluteFilePath()))
            break;
    }
    return renamed;
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
            const int answer = Questions::fileExists(this, FileNameOf(rec.outputFile));
            if (answer == 2) {
                drop.append(rec.id);
                skipped = true;
            } else if (answer == 0) {
                // Not the output of another record of this run either.
                QSet<QString> claimed;
                for (int j = 0; j < list.size(); ++j)
                    if (j != i && !list.at(j).outputFile.isEmpty())
                        claimed.insert(QFileInfo(list.at(j).outputFile).absoluteFilePath());
                rec.outputFile = FreeNumberedFileName(rec.outputFile, claimed);
                qDebug() << rec.outputFile;
            }
            // Override, or the dialog closed by its frame: keep the name.
        }

        if (inputs == Inputs::OutputsOnly || !hasEngine())
            continue;
        if (!check && (skipped || !QFileInfo::exists(rec.inputFile)))
            continue;

        bool asked = false;
        for (;;) {
            if (engine->LoadFromFile(rec.inputFile, rec.password) == 1) {
                if (asked)
                    engine->Decrypt();
                RemoveAllDocuments();
                break;
            }
            QString typed;
            if (!Questions::password(this, rec.inputFile, &typed)) {
                drop.append(rec.id);
                RemoveAllDocuments();
                break;
            }
            rec.password = typed;
            asked = true;
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
    engine->SetInformation(Author, QString());
    engine->SetInformation(Author, record.toolUrl);
    engine->SetInformation(Title, QString());
    engine->SetInformation(Subject, QString());
    engine->SetInformation(Keywords, QString());
    engine->SetInformation(Creator, QString());
    engine->SetInformation(Creator, record.toolName);
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
    if (engine->LoadFromFile(file, QString()) != 1)
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
    if (engine->LoadFromFile(file, QString()) != 1)
        return;
    InsertFileNameBookmarks(map);
    StampDocumentInformation();
    engine->SaveToFile(file);
    RemoveAllDocuments();
}

// ---------------------------------------------------------------- paper sizes

QMap<QString, int> FeatureBase::PaperSizeTable()
{
    QMap<QString, int> table;
    table.insert(QStringLiteral("A0"), 5);
    table.insert(QStringLiteral("A1"), 6);
    table.insert(QStringLiteral("A2"), 7);
    table.insert(QStringLiteral("A3"), 8);
    table.insert(QStringLiteral("A4"), 0);
    table.insert(QStringLiteral("A5"), 9);
    table.insert(QStringLiteral("A6"), 10);
    table.insert(QStringLiteral("A7"), 11);
    table.insert(QStringLiteral("B0"), 14);
    table.insert(QStringLiteral("B1"), 15);
    table.insert(QStringLiteral("B2"), 17);
    table.insert(QStringLiteral("B3"), 18);
    table.insert(QStringLiteral("B4"), 19);
    table.insert(QStringLiteral("B5"), 1);
    table.insert(QStringLiteral("B5Extra"), 37);
    table.insert(QStringLiteral("Letter"), 2);
    table.insert(QStringLiteral("Legal"), 3);
    table.insert(QStringLiteral("Ledger"), 28);
    table.insert(QStringLiteral("Executive"), 4);
    table.insert(QStringLiteral("Statement"), 74);
    table.insert(QStringLiteral("Postcard"), 77);
    return table;
}

QSizeF FeatureBase::PaperSizeMillimetres(const QString& name)
{
    const int id = PaperSizeTable().value(name, 0);
    return QPageSize(QPageSize::PageSizeId(id)).size(QPageSize::Millimeter);
}
