#pragma once

#include <QDialog>

namespace Ui {
class PDF_Auth;
}

// Asked when a source PDF does not open: a password, or Cancel.
class PDF_Auth : public QDialog
{
    Q_OBJECT

public:
    PDF_Auth(QWidget* parent, const QString& text);
    ~PDF_Auth() override;

    // 0 OK, 1 Cancel (also when closed by the window frame).
    int result = 1;
    QString password;

private slots:
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();

private:
    Ui::PDF_Auth* ui;
};
