#pragma once

#include <QDialog>

namespace Ui {
class PDF_PageRemover_adv_delete;
}

// The page remover's bulk removals: odd pages, even pages, the front page,
// the last page, or both of those.
class PDF_PageRemover_adv_delete : public QDialog
{
    Q_OBJECT

public:
    // What "OK" chose; None also for "Cancel" and a closed dialog.
    enum Choice { None = -1, OddPages = 0, EvenPages = 1, FrontPage = 2, LastPage = 3, FrontAndLastPage = 4 };

    explicit PDF_PageRemover_adv_delete(QWidget* parent);
    ~PDF_PageRemover_adv_delete() override;

    int choice = None;

private slots:
    void on_pushButton_clicked();
    void on_pushButton_4_clicked();

private:
    Ui::PDF_PageRemover_adv_delete* ui;
};
