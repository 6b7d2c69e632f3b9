#include "dialogfileexists.h"

#include "resourceinit.h"
#include "ui_dialogfileexists.h"

DialogFileExists::DialogFileExists(QWidget* parent, const QString& name)
    : QDialog(parent)
{
    initFolioResources();
    ui = new Ui::DialogFileExists;
    ui->setupUi(this);
    result = -1;
    setWindowTitle(name);
    ui->label_2->setText(name);
}

DialogFileExists::~DialogFileExists()
{
    delete ui;
}

void DialogFileExists::on_pushButton_4_clicked()
{
    result = 0;
    close();
}

void DialogFileExists::on_pushButton_2_clicked()
{
    result = 1;
    close();
}

void DialogFileExists::on_pushButton_clicked()
{
    result = 2;
    close();
}
