#include "dialogwritecustomverfile.h"

#include "questions.h"
#include "ui_dialogwritecustomverfile.h"

DialogWriteCustomverFile::DialogWriteCustomverFile(const CustomFileNames& fileNames, QWidget* parent)
    : QDialog(parent)
    , names(fileNames)
{
    ui = new Ui::DialogWriteCustomverFile;
    ui->setupUi(this);

    for (int brand = 0; brand < 20; ++brand) {
        const BrandingRecord family = makeBrandingRecord(names, brand, 1, false);
        if (!family.familyName.isEmpty())
            ui->comboBox->addItem(family.familyName, brand);
        for (int tool = 0; tool < 100; ++tool) {
            const BrandingRecord product = makeBrandingRecord(names, brand, tool, false);
            if (!product.toolName.isEmpty())
                ui->comboBox_2->addItem(product.toolName, tool);
        }
    }
    applyLocationChoice();
}

DialogWriteCustomverFile::~DialogWriteCustomverFile()
{
    delete ui;
}

void DialogWriteCustomverFile::applyLocationChoice()
{
    const bool selected = ui->radioButton_2->isChecked();
    ui->lineEdit->setEnabled(selected);
    ui->pushButton_2->setEnabled(selected);
}

void DialogWriteCustomverFile::on_radioButton_clicked()
{
    applyLocationChoice();
}

void DialogWriteCustomverFile::on_radioButton_2_clicked()
{
    applyLocationChoice();
}

void DialogWriteCustomverFile::on_comboBox_currentIndexChanged(int) {}

void DialogWriteCustomverFile::on_pushButton_2_clicked()
{
    ui->lineEdit->setText(Questions::saveFileName(nullptr, QString(), QString(), QString()));
}

void DialogWriteCustomverFile::on_pushButton_clicked()
{
    const int brand = ui->comboBox->currentData().toInt();
    const int tool = ui->comboBox_2->currentData().toInt();
    const QString target = ui->radioButton->isChecked() ? names.dataFilePath() : ui->lineEdit->text();
    if (!target.isEmpty())
        writeBrandingFile(target, brand, tool);
}
