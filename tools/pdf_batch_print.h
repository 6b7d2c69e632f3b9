#pragma once

#include "featurebase.h"

#include <QPair>
#include <QSizeF>

namespace Ui {
class PDF_Batch_print;
}

// Prints every PDF of the list, one job per file, on a printer of the
// system with the paper, orientation, scaling, copies, quality, colour,
// duplex and media of its form. Writes no file.
class PDF_Batch_print : public FeatureBase
{
    Q_OBJECT

public:
    PDF_Batch_print(QWidget* parent, const BrandingRecord& record);
    ~PDF_Batch_print() override;

    // A job of the last run: the queue, the job id CUPS gave it, the file.
    struct Job
    {
        QString queue;
        int id = 0;
        QString input;
    };
    const QList<Job>& jobs() const { return printed; }

    // The copies box read as a number: text that is no number, 0 or less
    // gives 1; more than the most a job takes gives that most.
    int Copies() const;
    static constexpr int MaxCopies = 9999;

public slots:
    void Process(QStringList paths) override;
    void ApplyHeaderPalette() override;

private slots:
    void on_comboBox_printer_currentIndexChanged(int index);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Sets up the engine's printer for the form's choices; its name, or empty.
    QString CustomPrinter(const QString& printer, int* options, const QString& title);

    Ui::PDF_Batch_print* ui;
    // The paper sizes of the printer chosen last: name, width x height in millimetres.
    QList<QPair<QString, QSizeF>> paperList;
    QList<Job> printed;
};
