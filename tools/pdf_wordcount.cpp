#include "pdf_wordcount.h"

#include "pdfengine.h"
#include "ui_pdf_wordcount.h"

#include <QFileInfo>
#include <QTimer>

namespace {

// The list's length when the figures were last cleared, for every page.
int lastSeenFileCount = -1;

} // namespace

PDF_WordCount::Tally& PDF_WordCount::Tally::operator+=(const Tally& other)
{
    words += other.words;
    characters += other.characters;
    phrases += other.phrases;
    pages += other.pages;
    images += other.images;
    bookmarks += other.bookmarks;
    bytes += other.bytes;
    files += other.files;
    return *this;
}

QString PDF_WordCount::Tally::megabytes() const
{
    return QString::number(double(bytes) * 0.0009765625 * 0.0009765625, 'g', 6);
}

PDF_WordCount::PDF_WordCount(QWidget* parent, const BrandingRecord& record)
    : FeatureBase(parent, record)
{
    ui = new Ui::PDF_WordCount;
    ui->setupUi(this);
    timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &PDF_WordCount::TimerUpdated);
    timer->start(50);
}

PDF_WordCount::~PDF_WordCount()
{
    delete ui;
}

void PDF_WordCount::ApplyHeaderPalette()
{
    for (QLabel* heading : {ui->label_2, ui->label_3}) {
        heading->setAutoFillBackground(true);
        heading->setPalette(headerPalette);
    }
}

void PDF_WordCount::on_pushButton_Default_clicked()
{
    processRequest = true;
}

void PDF_WordCount::TimerUpdated()
{
    // Figures of another list are no figures of this one.
    if (fileCount == lastSeenFileCount)
        return;
    lastSeenFileCount = fileCount;
    for (QLabel* value : {ui->label_Words, ui->label_Characters, ui->label_Phrases, ui->label_Files,
                          ui->label_fileSize, ui->label_pages, ui->label_img, ui->label_bookmarks})
        value->clear();
}

void PDF_WordCount::CountText(const QString& text, Tally& tally)
{
    bool inWord = false;
    bool phraseHasText = false;
    const QChar* c = text.constData();
    for (int i = 0, n = int(text.size()); i < n; ++i) {
        char32_t ch = c[i].unicode();
        if (c[i].isHighSurrogate() && i + 1 < n && c[i + 1].isLowSurrogate()) {
            ch = QChar::surrogateToUcs4(c[i], c[i + 1]);
            ++i;
        }
        ++tally.characters;
        // Control characters other than white space, and unassigned ones,
        // neither make a word nor end one, as wc -w counts.
        const QChar::Category category = QChar::category(ch);
        if ((category == QChar::Other_Control && (ch < '\t' || ch > '\r')) || category == QChar::Other_NotAssigned)
            continue;
        const bool space = QChar::isSpace(ch);
        if (space) {
            inWord = false;
        } else if (!inWord) {
            inWord = true;
            ++tally.words;
        }
        if (ch == '.') {
            tally.phrases += phraseHasText ? 1 : 0;
            phraseHasText = false;
        } else if (!space) {
            phraseHasText = true;
        }
    }
    tally.phrases += phraseHasText ? 1 : 0;
}

void PDF_WordCount::Process(QStringList paths)
{
    files = ToFileList(paths);
    if (files.isEmpty())
        return;
    files = PreProcess(files, true);

    counted.clear();
    sum = Tally();
    DiscardDocuments();
    ForEachRecord(files, QStringLiteral("Counting"), [this](fileList& rec) {
        // One that does not open is left out and named, and counts nothing.
        if (!LoadInput(rec, false))
            return;
        Tally tally;
        tally.files = 1;
        tally.bookmarks = engine->OutlineCount();
        tally.bytes = QFileInfo(rec.inputFile).size();
        const bool whole = ForEachPage([&](int) {
            ++tally.pages;
            tally.images += engine->GetImageListCount(engine->GetPageImageList(0));
            CountText(engine->GetPageText(0), tally);
        });
        DiscardDocuments();
        // Stopped within a file: only whole files are counted.
        if (!whole)
            return;
        counted.append({rec.inputFile, tally});
        sum += tally;
    });
    showTally(sum);
}

void PDF_WordCount::showTally(const Tally& tally)
{
    ui->label_Words->setText(QString::number(tally.words));
    ui->label_Phrases->setText(QString::number(tally.phrases));
    ui->label_Characters->setText(QString::number(tally.characters));
    ui->label_fileSize->setText(tally.megabytes());
    ui->label_Files->setText(QString::number(tally.files));
    ui->label_img->setText(QString::number(tally.images));
    ui->label_pages->setText(QString::number(tally.pages));
    ui->label_bookmarks->setText(QString::number(tally.bookmarks));
}
