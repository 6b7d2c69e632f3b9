#pragma once

#include "brandingrecord.h"

#include <QDialog>

namespace Ui {
class DialogWriteCustomverFile;
}

// The hidden dialog (Ctrl+O) that writes Data.dat for the next start.
class DialogWriteCustomverFile : public QDialog
{
    Q_OBJECT

public:
    explicit DialogWriteCustomverFile(const CustomFileNames& names = CustomFileNames(), QWidget* parent = nullptr);
    ~DialogWriteCustomverFile() override;

private slots:
    void on_radioButton_clicked();
    void on_radioButton_2_clicked();
    void on_comboBox_currentIndexChanged(int index);
    void on_pushButton_2_clicked();
    void on_pushButton_clicked();

private:
    void applyLocationChoice();

    Ui::DialogWriteCustomverFile* ui;
    CustomFileNames names;
};
