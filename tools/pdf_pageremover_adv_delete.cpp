#include "pdf_pageremover_adv_delete.h"

#include "resourceinit.h"
#include "ui_pdf_pageremover_adv_delete.h"

PDF_PageRemover_adv_delete::PDF_PageRemover_adv_delete(QWidget* parent)
    : QDialog(parent)
{
    initFolioResources();
    ui = new Ui::PDF_PageRemover_adv_delete;
    ui->setupUi(this);
}

PDF_PageRemover_adv_delete::~PDF_PageRemover_adv_delete()
{
    delete ui;
}

void PDF_PageRemover_adv_delete::on_pushButton_clicked()
{
    choice = None;
    close();
}

void PDF_PageRemover_adv_delete::on_pushButton_4_clicked()
{
    choice = ui->radioButton_odd->isChecked()         ? OddPages
             : ui->radioButton_even->isChecked()      ? EvenPages
             : ui->radioButton_front->isChecked()     ? FrontPage
             : ui->radioButton_last->isChecked()      ? LastPage
             : ui->radioButton_frontlast->isChecked() ? FrontAndLastPage
                                                      : None;
    close();
}
