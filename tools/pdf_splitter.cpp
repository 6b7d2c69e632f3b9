#include "pdf_splitter.h"

#include "folioconstants.h"
#include "pdfengine.h"
#include "ui_pdf_splitter.h"

#include <QMap>

#include <algorithm>

namespace {

// A field's text as a whole number; anything else reads as 0.
int number(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok, 10);
    return ok ? n : 0;
}

} // namespace

PDF_Splitter::PDF_Splitter(QWidget* parent, const BrandingRecord& record)
    : FeatureBase(parent, record)
{
    ui = new Ui::PDF_Splitter;
    ui->setupUi(this);
}

PDF_Splitter::~PDF_Splitter()
{
    delete ui;
}

void PDF_Splitter::ApplyHeaderPalette()
{
    for (QWidget* header : {ui->label_2, ui->label_3}) {
        header->setAutoFillBackground(true);
        header->setPalette(headerPalette);
    }
}

QString PDF_Splitter::PageList(QList<int> pages)
{
    std::sort(pages.begin(), pages.end());
    QStringList numbers;
    for (int p : pages)
        numbers << QString::number(p);
    return numbers.join(QLatin1Char(','));
}

QString PDF_Splitter::FormProblem()
{
    // Bounds and part sizes below 1 mean nothing; the form is set back to
    // what always works, so that the next run splits as the user sees it.
    if (ui->radioButton_2->isChecked()) {
        const int first = number(ui->lineEdit_2->text());
        const int last = number(ui->lineEdit_3->text());
        if (first < 1 || last < 1 || first > last) {
            ui->radioButton->setChecked(true);
            return QStringLiteral("\"From Page\" and \"To\" take page numbers from 1 on, the first no larger than the last");
        }
    }
    if (ui->radioButton_Every->isChecked() && number(ui->lineEdit->text()) < 1) {
        ui->radioButton_PageByPage->setChecked(true);
        return QStringLiteral("\"Split By Every\" takes a number of pages from 1 on");
    }
    return QString();
}

QList<PDF_Splitter::Part> PDF_Splitter::Parts(int pageCount, QString* problem)
{
    int first = 1, last = pageCount;
    if (ui->radioButton_2->isChecked()) {
        first = number(ui->lineEdit_2->text());
        last = qMin(number(ui->lineEdit_3->text()), pageCount);
    }
    const int every = ui->radioButton_Every->isChecked() ? number(ui->lineEdit->text()) : 1;
    if (first > pageCount) {
        *problem = QStringLiteral("not split: no page from %1 on (it has %2)")
                       .arg(first)
                       .arg(pageCount == 1 ? QStringLiteral("1 page") : QStringLiteral("%1 pages").arg(pageCount));
        return {};
    }

    QList<Part> parts;
    if (ui->radioButton_OddEven->isChecked()) {
        QList<int> even, odd;
        for (int p = first; p <= last; ++p)
            (p % 2 == 0 ? even : odd) << p;
        // An empty set makes no file, and so asks nothing about one.
        if (!even.isEmpty())
            parts << Part{QStringLiteral(" Even"), PageList(even)};
        if (!odd.isEmpty())
            parts << Part{QStringLiteral(" Odd"), PageList(odd)};
        return parts;
    }
    // Runs of `every` pages within the range; the last one may be shorter
    // and ends where the range ends. Written from the last part to the first.
    for (int start = first;; start += every) {
        const int end = last - start < every ? last : start + every - 1;
        const QString suffix = ui->radioButton_Every->isChecked() ? QStringLiteral(" Page %1-%2").arg(start).arg(end)
                                                                  : QStringLiteral(" Page %1").arg(start);
        parts.prepend(Part{suffix, QStringLiteral("%1-%2").arg(start).arg(end)});
        if (end == last)
            return parts;
    }
}

void PDF_Splitter::Process(QStringList paths)
{
    // One document is split: the first of the list.
    files = ToFileList(paths.mid(0, 1));
    if (files.isEmpty() || !hasEngine())
        return;
    // A form that asks for no possible part stops the run before anything is asked.
    if (const QString problem = FormProblem(); !problem.isEmpty()) {
        report().refuse(problem);
        return;
    }
    if (!LoadSingleInput(files.first())) {
        DiscardDocuments();
        return;
    }
    const fileList source = files.first();
    const int sourceId = engine->SelectedDocument();

    // Nothing more is asked for a run that can write nothing.
    QString problem;
    const QList<Part> parts = Parts(engine->PageCount(), &problem);
    if (parts.isEmpty()) {
        report().leftOut(source.inputFile, problem);
        DiscardDocuments();
        return;
    }

    // One record per output, carrying only its name; its pages are found by
    // its id, whatever records the questions below drop.
    QList<fileList> outputs;
    QMap<qint32, QString> pagesOf;
    for (const Part& part : parts) {
        fileList rec;
        rec.id = qint32(outputs.size());
        rec.inputFile = filenames::withSuffix(source.inputFile, part.suffix);
        outputs << rec;
        pagesOf.insert(rec.id, part.pages);
    }
    if (!ChooseOutputFolder(outputs, Inputs::OutputsOnly)) {
        DiscardDocuments();
        return;
    }

    ForEachRecord(outputs, QStringLiteral("Writing"), [&](fileList& rec) {
        const int partId = engine->NewDocument();
        engine->SelectDocument(partId);
        // A new document starts with a blank page: it goes once the part's
        // pages are in, and only then.
        if (engine->CopyPageRanges(sourceId, pagesOf.value(rec.id)) > 0 && engine->DeletePages(1, 1) > 0)
            SaveOutput(rec.outputFile);
        else
            report().failed(rec.outputFile, QStringLiteral("its pages could not be copied"));
        engine->RemoveDocument(partId);
        engine->SelectDocument(sourceId);
    });
    DiscardDocuments();
}
