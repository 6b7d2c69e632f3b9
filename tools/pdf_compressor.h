#pragma once

#include "featurebase.h"

namespace Ui {
class PDF_Compressor;
}

// Rewrites each PDF of the list with smaller fonts, images and page content,
// one output per input in the chosen folder. A protected input stays
// protected with its own password; a result that is not smaller than its
// input is not kept: the input's own bytes are written instead.
class PDF_Compressor : public FeatureBase
{
    Q_OBJECT

public:
    PDF_Compressor(QWidget* parent, const BrandingRecord& record);
    ~PDF_Compressor() override;

    // One output of the last run and the sizes it went between.
    struct Result
    {
        QString input, output;
        qint64 before = 0, after = 0;  // bytes
        bool gained() const { return after < before; }
    };
    const QList<Result>& results() const { return lastResults; }

    // "Saved 1.2 MB (24%): 5.0 MB before, 3.8 MB after."
    static QString totalSaved(const QList<Result>& results);

public slots:
    void Process(QStringList paths) override;
    void ApplyHeaderPalette() override;

private slots:
    void on_pushButton_Default_clicked();
    void on_comboBox_2_currentIndexChanged(int index);

private:
    // Loads the record's input and applies the chosen compressions; the
    // compressed document is left selected. False when the input did not open.
    bool Compress(const fileList& rec);
    // Writes the selected document, or the input's bytes when that is not smaller.
    void WriteSmaller(const fileList& rec);

    Ui::PDF_Compressor* ui;
    QList<Result> lastResults;
};
