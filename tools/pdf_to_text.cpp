#include "pdf_to_text.h"

#include "folioconstants.h"
#include "pdfengine.h"
#include "ui_pdf_to_text.h"

namespace {

// GetPageText's options.
constexpr int RawText = 0;
constexpr int KeepLayout = 7;

} // namespace

PDF_To_Text::PDF_To_Text(QWidget* parent, const BrandingRecord& record)
    : FeatureBase(parent, record)
{
    ui = new Ui::PDF_To_Text;
    ui->setupUi(this);
}

PDF_To_Text::~PDF_To_Text()
{
    delete ui;
}

void PDF_To_Text::on_pushButton_Default_clicked()
{
    processRequest = true;
}

QString PDF_To_Text::TextFileName(const QString& pdf, int page)
{
    const QString text = filenames::withExtension(pdf, QStringLiteral("txt"));
    return page > 0 ? filenames::withSuffix(text, QStringLiteral(" Page %1").arg(page)) : text;
}

void PDF_To_Text::Process(QStringList paths)
{
    const int option = ui->radioButton_ori_layout->isChecked() ? KeepLayout : RawText;
    const bool perPage = ui->radioButton_2->isChecked();
    files = ToFileList(paths);
    if (files.isEmpty())
        return;
    files = PreProcess(files, false);

    // Every text is read before the folder is asked for: one text per job,
    // found by the job's `extra`.
    QStringList texts;
    QList<fileList> jobs;
    auto addJob = [&](const QString& name, const QString& text) {
        fileList job;
        job.id = int(jobs.size());
        job.inputFile = name;
        job.extra = QString::number(texts.size());
        texts << text;
        jobs << job;
    };
    DiscardDocuments();
    const bool complete = ForEachRecord(files, QStringLiteral("Reading"), [&](fileList& rec) {
        if (!LoadInput(rec, false))
            return;
        engine->SetOrigin(folio::OriginTopLeft);
        QString whole;
        const bool read = ForEachPage([&](int page) {
            if (perPage)
                addJob(TextFileName(rec.inputFile, page), engine->GetPageText(option));
            else
                whole += engine->GetPageText(option);
        });
        // A document without pages still gives its (empty) text file.
        if (read && !perPage)
            addJob(TextFileName(rec.inputFile), whole);
        DiscardDocuments();
    });
    // Nothing to write (stopped, nothing opened, no pages): nothing is asked.
    if (!complete || jobs.isEmpty())
        return;

    if (!ChooseOutputFolder(jobs, Inputs::OutputsOnly))
        return;
    // UTF-8 whatever the locale: the text is the documents', not the machine's.
    ForEachRecord(jobs, QStringLiteral("Writing"), [&](fileList& job) {
        WriteOutputFile(job.outputFile, texts.at(job.extra.toInt()).toUtf8());
    });
}
