#include "pdf_batch_information_changer.h"

#include "folioconstants.h"
#include "pdfengine.h"
#include "ui_pdf_batch_information_changer.h"

PDF_Batch_Information_Changer::PDF_Batch_Information_Changer(QWidget* parent, const BrandingRecord& record)
    : FeatureBase(parent, record)
{
    ui = new Ui::PDF_Batch_Information_Changer;
    ui->setupUi(this);
    UpdateEntries();
}

PDF_Batch_Information_Changer::~PDF_Batch_Information_Changer()
{
    delete ui;
}

void PDF_Batch_Information_Changer::ApplyHeaderPalette()
{
    ui->label_2->setAutoFillBackground(true);
    ui->label_2->setPalette(headerPalette);
}

void PDF_Batch_Information_Changer::on_checkBox_Subject_clicked()
{
    UpdateEntries();
}

void PDF_Batch_Information_Changer::on_checkBox_Author_clicked()
{
    UpdateEntries();
}

void PDF_Batch_Information_Changer::on_checkBox_Creator_clicked()
{
    UpdateEntries();
}

void PDF_Batch_Information_Changer::on_checkBox_Producer_clicked()
{
    UpdateEntries();
}

void PDF_Batch_Information_Changer::on_checkBox_Title_clicked()
{
    UpdateEntries();
}

void PDF_Batch_Information_Changer::on_checkBox_Keywords_clicked()
{
    UpdateEntries();
}

void PDF_Batch_Information_Changer::UpdateEntries()
{
    // An entry keeps its text while its box is unticked.
    ui->lineEdit_Subject->setEnabled(ui->checkBox_Subject->isChecked());
    ui->lineEdit_Author->setEnabled(ui->checkBox_Author->isChecked());
    ui->lineEdit_Creator->setEnabled(ui->checkBox_Creator->isChecked());
    ui->lineEdit_Producer->setEnabled(ui->checkBox_Producer->isChecked());
    ui->lineEdit_Title->setEnabled(ui->checkBox_Title->isChecked());
    ui->lineEdit_Keywords->setEnabled(ui->checkBox_Keywords->isChecked());
}

bool PDF_Batch_Information_Changer::anyFieldTicked() const
{
    for (const QCheckBox* box : {ui->checkBox_Subject, ui->checkBox_Author, ui->checkBox_Creator, ui->checkBox_Producer,
                                 ui->checkBox_Title, ui->checkBox_Keywords})
        if (box->isChecked())
            return true;
    return false;
}

void PDF_Batch_Information_Changer::Process(QStringList paths)
{
    if (readOnly) {
        ReadInformation(paths);
        return;
    }
    files = ToFileList(paths);
    if (files.isEmpty())
        return;
    if (!ChooseOutputFolder())
        return;

    // The ticked fields, in the order they are set, with their text exactly as typed.
    QList<QPair<int, QString>> changes;
    const QList<QPair<QCheckBox*, QLineEdit*>> fields = {
        {ui->checkBox_Author, ui->lineEdit_Author},     {ui->checkBox_Creator, ui->lineEdit_Creator},
        {ui->checkBox_Keywords, ui->lineEdit_Keywords}, {ui->checkBox_Producer, ui->lineEdit_Producer},
        {ui->checkBox_Subject, ui->lineEdit_Subject},   {ui->checkBox_Title, ui->lineEdit_Title}};
    const int keys[] = {folio::InfoAuthor, folio::InfoCreator, folio::InfoKeywords,
                        folio::InfoProducer, folio::InfoSubject, folio::InfoTitle};
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].first->isChecked())
            changes.append({keys[i], fields[i].second->text()});

    DiscardDocuments();
    ForEachRecord(files, QStringLiteral("Writing"), [&](fileList& rec) {
        DiscardDocuments();
        if (!LoadInput(rec, false))
            return;
        for (const auto& [key, text] : changes)
            engine->SetInformation(key, text);
        // The information is the user's: no stamp over it.
        SaveOutput(rec.outputFile, Stamp::Nothing);
    });
    DiscardDocuments();
}

void PDF_Batch_Information_Changer::ReadInformation(const QStringList& paths)
{
    read.clear();
    files = ToFileList(paths);
    if (files.isEmpty())
        return;
    // Nothing is written: every input is opened first, as the tools that only read do.
    files = PreProcess(files, true);
    const QList<QPair<QString, int>> keys = {
        {QStringLiteral("Title"), folio::InfoTitle},        {QStringLiteral("Author"), folio::InfoAuthor},
        {QStringLiteral("Subject"), folio::InfoSubject},    {QStringLiteral("Keywords"), folio::InfoKeywords},
        {QStringLiteral("Creator"), folio::InfoCreator},    {QStringLiteral("Producer"), folio::InfoProducer},
        {QStringLiteral("CreationDate"), folio::InfoCreationDate}, {QStringLiteral("ModDate"), folio::InfoModDate}};
    DiscardDocuments();
    ForEachRecord(files, QStringLiteral("Reading"), [&](fileList& rec) {
        DiscardDocuments();
        if (!LoadInput(rec, false))
            return;
        Information info{rec.inputFile, {}};
        for (const auto& [name, key] : keys)
            info.fields.append({name, engine->GetInformation(key)});
        read.append(info);
    });
    DiscardDocuments();
}
