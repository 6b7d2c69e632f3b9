#include "pdf_auth.h"

#include "resourceinit.h"
#include "ui_pdf_auth.h"

PDF_Auth::PDF_Auth(QWidget* parent, const QString& text)
    : QDialog(parent)
{
    initFolioResources();
    ui = new Ui::PDF_Auth;
    ui->setupUi(this);
    result = 1;
    password.clear();
    ui->label_2->setText(text);
    ui->lineEdit->setEchoMode(QLineEdit::Password);
}

PDF_Auth::~PDF_Auth()
{
    delete ui;
}

void PDF_Auth::on_pushButton_clicked()
{
    password = ui->lineEdit->text();
    result = 0;
    close();
}

void PDF_Auth::on_pushButton_2_clicked()
{
    result = 1;
    close();
}
