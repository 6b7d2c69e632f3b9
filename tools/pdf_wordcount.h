#pragma once

#include "featurebase.h"

#include <QList>

class QTimer;

namespace Ui {
class PDF_WordCount;
}

// Counts, over all PDFs of the list together, the words, characters and
// phrases of their text, and their files, megabytes, pages, images and
// bookmarks. Writes nothing: the figures fill the page's table.
class PDF_WordCount : public FeatureBase
{
    Q_OBJECT

public:
    // The figures of one file, or of several together.
    struct Tally
    {
        qint64 words = 0;
        qint64 characters = 0;
        qint64 phrases = 0;
        qint64 pages = 0;
        qint64 images = 0;
        qint64 bookmarks = 0;
        qint64 bytes = 0;
        qint64 files = 0;

        Tally& operator+=(const Tally& other);
        // The figure of the table's size row: bytes in megabytes, at most six
        // significant digits.
        QString megabytes() const;
    };
    struct FileTally
    {
        QString path;
        Tally tally;
    };

    PDF_WordCount(QWidget* parent, const BrandingRecord& record);
    ~PDF_WordCount() override;

    // Adds the words, characters and phrases of one page's text: words are
    // runs of characters other than white space (the count of wc -w),
    // characters are code points, phrases are the parts between full stops
    // that hold anything but white space.
    static void CountText(const QString& text, Tally& tally);

    // The last run's figures: every file counted, in list order, and their sum.
    const QList<FileTally>& perFile() const { return counted; }
    const Tally& total() const { return sum; }

public slots:
    void Process(QStringList paths) override;
    void ApplyHeaderPalette() override;

private slots:
    void on_pushButton_Default_clicked();
    void TimerUpdated();

private:
    void showTally(const Tally& tally);

    Ui::PDF_WordCount* ui;
    QTimer* timer;
    QList<FileTally> counted;
    Tally sum;
};
