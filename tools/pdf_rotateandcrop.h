#pragma once

#include "featurebase.h"

namespace Ui {
class PDF_RotateAndCrop;
}

// Turns every page of every PDF of the list by the chosen angle (added to the
// turn each page has) and sets each page's crop box from four margins, any of
// which the user may replace; one output per input in the chosen folder.
class PDF_RotateAndCrop : public FeatureBase
{
    Q_OBJECT

public:
    PDF_RotateAndCrop(QWidget* parent, const BrandingRecord& record);
    ~PDF_RotateAndCrop() override;

public slots:
    void Process(QStringList paths) override;

private slots:
    void on_checkBox_left_clicked();
    void on_checkBox_top_clicked();
    void on_checkBox_right_clicked();
    void on_checkBox_bottom_clicked();

private:
    // A margin as the form gives it: replaced by the entry's value when its box is ticked.
    struct Margin
    {
        bool replace = false;
        double value = 0;
    };
    struct Settings
    {
        int rotation = 0;
        Margin left, top, right, bottom;
    };

    void UpdateEntries();
    Settings ReadForm() const;
    // Turns and crops every page of the selected document; false (and the
    // input reported left out) when a page cannot be cropped as asked, or
    // when the user stopped the run.
    bool RotateAndCropPages(const fileList& rec, const Settings& settings);

    Ui::PDF_RotateAndCrop* ui;
};
