#pragma once

#include "featurebase.h"

#include <QMap>

namespace Ui {
class PDFPageResizer;
}

// Gives every page of each PDF of the list a new size (a paper of the table
// in portrait or landscape, or a custom width and height in millimetres) and
// draws the old page on it, centred, fitted or at a fixed scale; one output
// per input in the chosen folder. The old page becomes drawn content: its
// links and form fields do not come along.
class PDFPageResizer : public FeatureBase
{
    Q_OBJECT

public:
    PDFPageResizer(QWidget* parent, const BrandingRecord& record);
    ~PDFPageResizer() override;

public slots:
    void Process(QStringList paths) override;
    void ApplyHeaderPalette() override;

private slots:
    void on_comboBox_currentIndexChanged(QString arg1);
    void on_comboBox_3_currentIndexChanged(int index);
    void on_radioButton_clicked();
    void on_radioButton_2_clicked();

private:
    void OptionUpdate();
    // Rebuilds every page of the selected document at W x H millimetres;
    // scale 0 fits the old page. False (and the input reported left out)
    // when a page could not be rebuilt, or when the user stopped the run.
    bool ResizePages(const fileList& rec, double W, double H, double scale);

    Ui::PDFPageResizer* ui;
    QMap<QString, int> paperSizes;
};
