#pragma once

#include <QDialog>

namespace Ui {
class DialogFileExists;
}

// Asked when an output file already exists: Rename, Override or Skip.
class DialogFileExists : public QDialog
{
    Q_OBJECT

public:
    DialogFileExists(QWidget* parent, const QString& name);
    ~DialogFileExists() override;

    // 0 Rename, 1 Override, 2 Skip; -1 when the dialog was closed by its frame.
    int result = -1;

private slots:
    void on_pushButton_4_clicked();
    void on_pushButton_2_clicked();
    void on_pushButton_clicked();

private:
    Ui::DialogFileExists* ui;
};
