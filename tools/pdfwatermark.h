#pragma once

#include "featurebase.h"

#include <QColor>
#include <QSizeF>

class QTemporaryDir;

namespace Ui {
class PDFWatermark;
}

// Stamps a text or a picture on every page of each input PDF, at one of nine
// positions of the page as it is displayed. A text is painted into a
// transparent picture first; the engine places pictures only.
class PDFWatermark : public FeatureBase
{
    Q_OBJECT

public:
    PDFWatermark(QWidget* parent, const BrandingRecord& record);
    ~PDFWatermark() override;

    // 1 .. 9 in reading order: top-left 1, centre 5, bottom-right 9.
    int position() const { return currentPosition; }
    QColor textColour() const { return colour; }

public slots:
    void Process(QStringList paths) override;
    // A fresh picture of that page of that file with the mark on it; the
    // page as it came when there is no mark to show or the file does not open.
    QPixmap Preview(QPixmap image, int page, QString path) override;
    void ApplyHeaderPalette() override;

private slots:
    void on_pushButton_2_clicked();
    void on_pushButton_3_clicked();
    void on_pushButton_4_clicked();
    void on_pushButton_5_clicked();
    void on_pushButton_7_clicked();
    void on_pushButton_9_clicked();
    void on_pushButton_6_clicked();
    void on_pushButton_8_clicked();
    void on_pushButton_10_clicked();
    void on_radioButton_clicked();
    void on_radioButton_2_clicked();
    void on_pushButton_11_clicked();
    void on_pushButton_clicked();
    void on_lineEdit_textEdited(const QString& text);
    void on_lineEdit_editingFinished();
    void on_lineEdit_3_textEdited(const QString& text);
    void on_lineEdit_3_editingFinished();
    void on_fontComboBox_currentIndexChanged(int index);
    void on_horizontalSlider_sliderReleased();
    void on_horizontalSlider_2_sliderReleased();
    void on_horizontalSlider_valueChanged(int value);
    void on_horizontalSlider_2_valueChanged(int value);

private:
    // The mark as the engine holds it: its image and its size on the page.
    struct Mark
    {
        int imageId = 0;
        QSizeF points;
    };

    void choosePosition(int position);
    void applyEnabling();
    void showColour();
    void requestPreview() { previewRequest = true; }
    // The text painted into a transparent picture in `folder`, or the image
    // file chosen, added to the engine. An empty text or a picture that does
    // not read gives no mark and says why in `problem`. The last mark is
    // given again while its settings stand.
    Mark makeMark(const QTemporaryDir& folder, QString* problem);
    Mark makeNewMark(const QTemporaryDir& folder, QString* problem);
    // The picture of the text: laid out as on a 96 dpi screen, which gives
    // its size on the page, and painted at 300 dpi.
    QImage textPicture(QSizeF* points) const;
    // Draws the mark on `page` of the selected document, or on every page for
    // 0; false when it could not be drawn on every one of them.
    bool stamp(const Mark& mark, int page);

    Ui::PDFWatermark* ui;
    // The mark made last and the settings that made it: the engine keeps
    // every picture it is given for as long as the page lives, so previews
    // and runs reuse one while the settings stand.
    Mark lastMark;
    QString lastMarkSettings;
    int currentPosition = 5;
    QColor colour = Qt::black;
};
