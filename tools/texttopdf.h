#pragma once

#include "featurebase.h"

#include <QColor>
#include <QElapsedTimer>
#include <QTimer>

#include <memory>

class QAbstractButton;

namespace Ui {
class TextToPDF;
}

// Turns the text files of the list into one PDF: each file starts on a new
// page of the chosen paper, optionally under a headline (its name or its
// first line), and its text flows over as many pages as it needs in the
// chosen font, size and colour. The document is built ahead of the run,
// whenever the list or an option changes, so that the preview shows it;
// Process saves it.
//
// Building runs in slices from the event loop, so that a long text never
// holds up the window: changes that come in a burst start one build, and a
// run finishes whatever is left of the build with its own progress.
class TextToPDF : public FeatureBase
{
    Q_OBJECT

public:
    TextToPDF(QWidget* parent, const BrandingRecord& record);
    ~TextToPDF() override;

    // Builds the document of `paths` from the form at once, and saves it to
    // `name` when `save` is set. False when the build was stopped.
    bool genPDF(const QString& name, const QStringList& paths, bool save);

    // A text file's bytes as text: UTF-8 (with or without its byte order
    // mark), UTF-16 with its mark, anything else Windows-1252. CR, LF and
    // CR LF each end a line; the text has "\n" for every line end.
    static QString DecodeText(const QByteArray& bytes);
    // Plain text as the markup of a text box that shows it as typed.
    static QString Markup(const QString& text);

    // The document matches the list and the form and is complete.
    bool isBuilt() const;
    // Page of the document (from 1) where the file at this index of the list
    // begins; 0 while it is not built or when the file was left out.
    int firstPageOf(int index) const;

public slots:
    void Process(QStringList paths) override;
    void FileListChanged(QStringList paths) override;
    QPixmap RenderPreviewPage(int page) override;
    void ApplyHeaderPalette() override;

private slots:
    void on_pushButton_Headline_clicked();
    void on_pushButton_Content_clicked();
    void on_comboBox_currentIndexChanged(int index);
    void on_radioButton_standard_2_clicked();
    void on_radioButton_glossy_2_clicked();
    void on_radioButton_transparency_2_clicked();
    void on_horizontalSlider_Content_sliderReleased();
    void on_fontComboBox_Content_currentIndexChanged(int index);
    void on_horizontalSlider_Headline_sliderReleased();
    void on_fontComboBox_Headline_currentIndexChanged(int index);
    // A slider moved by the keyboard or the wheel counts at once; one that is
    // dragged counts when it is let go.
    void on_horizontalSlider_Content_valueChanged(int value);
    void on_horizontalSlider_Headline_valueChanged(int value);
    void on_spinBox_Margin_valueChanged(int value);

private:
    struct Build;

    // The list or the form changed: a build starts once changes settle.
    void Rebuild();
    void startBuild();
    // Builds for about `budgetMs` (the whole rest, with the run's progress,
    // when negative); true when complete.
    bool buildSome(int budgetMs);
    void openFile(Build& b);
    void layOutPage(Build& b);
    void finishBuild(Build& b);
    void useHeadlineStyle(const Build& b);
    void buildSlice();
    void showBuildProgress();
    void chooseColour(QColor& colour, QAbstractButton* button);
    void showSizes();

    Ui::TextToPDF* ui;
    QStringList inputs;  // as the list last reported them
    QColor headlineColour{0, 0, 0};
    QColor contentColour{0, 0, 0};
    QMap<QString, int> paperSizes;

    std::unique_ptr<Build> build;  // the document in the engine and how far it got
    int changes = 0;               // counts every change of list or form
    QTimer settle;                 // a burst of changes starts one build
    QTimer slices;                 // the build goes on while the window is idle
    QElapsedTimer building;        // how long the build in the background has run
    // The preview wanted a page that was not built yet.
    bool previewWaiting = false;

    // The last page picture, for the list's thumbnails that ask again.
    QString pictureKey;
    QPixmap picture;
};
