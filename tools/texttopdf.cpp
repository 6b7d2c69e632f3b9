#include "texttopdf.h"

#include "folioconstants.h"
#include "pdfengine.h"
#include "questions.h"
#include "ui_texttopdf.h"

#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPainter>
#include <QTextCodec>


namespace {

enum class Headline { None, FileName, FirstLine };

// The least text a box is given at once: a page rarely holds more, so that
// a box is seldom drawn a second time with more.
constexpr int kMinChunk = 16384;
// The preview's page picture: 300 dpi, but never more than a Letter page
// at 300 dpi on its longer side, whatever the paper.
constexpr double kPreviewDpi = 300;
constexpr double kPreviewLongSide = 3300;
constexpr double kMmPerInch = 25.4;
// Changes that come closer together than this start one build.
constexpr int kSettleMs = 120;
// The background build works this long between looks at the event loop.
constexpr int kSliceMs = 20;
// A background build that lasts longer shows its progress on the page.
constexpr int kShowProgressMs = 400;

QString colourTag(int size, const QColor& colour)
{
    return QStringLiteral("<font size=\"%1pt\" color=\"%2\">").arg(size).arg(colour.name());
}

QIcon swatch(const QColor& colour)
{
    QPixmap pixmap(14, 14);
    pixmap.fill(colour);
    QPainter painter(&pixmap);
    painter.setPen(QColor(120, 120, 120));
    painter.drawRect(0, 0, 13, 13);
    return QIcon(pixmap);
}

// A text file has no NUL bytes unless it is UTF-16 (which carries its mark).
bool looksLikeText(const QByteArray& bytes)
{
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF") || !bytes.contains('\0');
}

} // namespace

// The document being built: what it is built from, and how far it got.
struct TextToPDF::Build
{
    int change = -1;  // the change of list or form it was started for
    QStringList paths;

    // The form, as it stood when the build started.
    QSizeF paper;  // millimetres
    double margin = 0;
    Headline headline = Headline::None;
    int headlineSize = 30;
    QColor headlineColour;
    int headlineFont = 0, contentFont = 0;
    QString open;  // the content's opening tag
    double lineHeight = 0;

    // Where it is.
    int file = 0;          // index of the file under way
    bool fileOpen = false; // its text is read
    QString text;          // what is left of the file's text goes into boxes from pos on
    int pos = 0;
    QString headlineMarkup;
    double headlineHeight = 0;
    QString carry;         // markup the last box gave back
    int pagesOfFile = 0;
    int chunk = kMinChunk;
    bool done = false;

    QVector<int> firstPage;  // per path: the page it begins on (counted without the spare first page)
    QMap<int, QString> problems;  // per path: why it was left out, or not laid out whole
    qint64 totalBytes = 0, doneBytes = 0;
    qint64 fileBytes = 0;

    double boxWidth() const { return paper.width() - 2 * margin; }
    double boxHeight() const { return paper.height() - 2 * margin; }
    // Progress in thousandths.
    int permille() const
    {
        if (done || totalBytes <= 0)
            return 1000;
        const double inFile = fileOpen && !text.isEmpty() ? double(fileBytes) * pos / text.size() : 0;
        return int(qBound(0.0, 1000.0 * (doneBytes + inFile) / totalBytes, 1000.0));
    }
};

TextToPDF::TextToPDF(QWidget* parent, const BrandingRecord& record)
    : FeatureBase(parent, record)
{
    ui = new Ui::TextToPDF;
    ui->setupUi(this);
    // A long build shows its progress at the end of the first heading, where
    // it takes no room of its own.
    auto* headingRow = new QHBoxLayout(ui->label_13);
    headingRow->setContentsMargins(0, 3, 3, 3);
    headingRow->addStretch();
    headingRow->addWidget(ui->progressBar);
    ui->progressBar->hide();
    // The sections scroll only when the window is too short for them; the
    // page shows through.
    ui->scrollArea->viewport()->setAutoFillBackground(false);
    ui->scrollAreaWidgetContents->setAutoFillBackground(false);

    settle.setSingleShot(true);
    settle.setInterval(kSettleMs);
    connect(&settle, &QTimer::timeout, this, [this] {
        // A run builds for itself; the window's build waits until it is over.
        if (isRunning()) {
            settle.start();
            return;
        }
        startBuild();
        slices.start();
    });
    slices.setInterval(0);
    connect(&slices, &QTimer::timeout, this, &TextToPDF::buildSlice);

    paperSizes = PaperSizeTable();
    for (auto it = paperSizes.constBegin(); it != paperSizes.constEnd(); ++it)
        ui->comboBox->addItem(it.key(), it.value());
    ui->comboBox->setCurrentIndex(18);
    ui->pushButton_Content->setIcon(swatch(contentColour));
    ui->pushButton_Headline->setIcon(swatch(headlineColour));
    showSizes();
    Rebuild();
}

TextToPDF::~TextToPDF()
{
    delete ui;
}

void TextToPDF::ApplyHeaderPalette()
{
    for (QLabel* label : {ui->label_13, ui->label_17, ui->label_20}) {
        label->setAutoFillBackground(true);
        label->setPalette(headerPalette);
    }
}

// ---------------------------------------------------------------- text

QString TextToPDF::DecodeText(const QByteArray& bytes)
{
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        text = QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QTextCodec* codec = QTextCodec::codecForName(bytes.at(0) == '\xFF' ? "UTF-16LE" : "UTF-16BE");
        text = codec->toUnicode(bytes.constData() + 2, bytes.size() - 2);
    } else {
        // The locale says nothing about a file's bytes: what reads as UTF-8
        // is UTF-8, anything else the Windows code page most text files of
        // that kind came from.
        QTextCodec::ConverterState state;
        text = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
        if (state.invalidChars > 0 || state.remainingChars > 0) {
            QTextCodec* windows = QTextCodec::codecForName("windows-1252");
            text = windows ? windows->toUnicode(bytes) : QString::fromLatin1(bytes);
        }
    }
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString TextToPDF::Markup(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '\n':
            out += QLatin1String("<BR>");
            break;
        default:
            out += c;
        }
    }
    return out;
}

// ---------------------------------------------------------------- changes

void TextToPDF::FileListChanged(QStringList paths)
{
    inputs = paths;
    Rebuild();
}

void TextToPDF::Rebuild()
{
    ++changes;
    settle.start();
}

void TextToPDF::chooseColour(QColor& colour, QAbstractButton* button)
{
    const QColor chosen = Questions::color(Qt::white, nullptr, QString());
    // A cancelled dialog answers no colour: the one chosen before stays.
    if (!chosen.isValid())
        return;
    colour = chosen;
    button->setIcon(swatch(colour));
    Rebuild();
}

void TextToPDF::showSizes()
{
    ui->label_ContentSize->setText(QStringLiteral("%1 pt").arg(ui->horizontalSlider_Content->value()));
    ui->label_HeadlineSize->setText(QStringLiteral("%1 pt").arg(ui->horizontalSlider_Headline->value()));
}

void TextToPDF::on_pushButton_Headline_clicked()
{
    chooseColour(headlineColour, ui->pushButton_Headline);
}

void TextToPDF::on_pushButton_Content_clicked()
{
    chooseColour(contentColour, ui->pushButton_Content);
}

void TextToPDF::on_comboBox_currentIndexChanged(int)
{
    Rebuild();
}

void TextToPDF::on_radioButton_standard_2_clicked()
{
    Rebuild();
}

void TextToPDF::on_radioButton_glossy_2_clicked()
{
    Rebuild();
}

void TextToPDF::on_radioButton_transparency_2_clicked()
{
    Rebuild();
}

void TextToPDF::on_horizontalSlider_Content_sliderReleased()
{
    Rebuild();
}

void TextToPDF::on_fontComboBox_Content_currentIndexChanged(int)
{
    Rebuild();
}

void TextToPDF::on_horizontalSlider_Headline_sliderReleased()
{
    Rebuild();
}

void TextToPDF::on_fontComboBox_Headline_currentIndexChanged(int)
{
    Rebuild();
}

void TextToPDF::on_horizontalSlider_Content_valueChanged(int)
{
    showSizes();
    if (!ui->horizontalSlider_Content->isSliderDown())
        Rebuild();
}

void TextToPDF::on_horizontalSlider_Headline_valueChanged(int)
{
    showSizes();
    if (!ui->horizontalSlider_Headline->isSliderDown())
        Rebuild();
}

void TextToPDF::on_spinBox_Margin_valueChanged(int)
{
    Rebuild();
}

// ---------------------------------------------------------------- building

bool TextToPDF::isBuilt() const
{
    return build && build->change == changes && build->done;
}

int TextToPDF::firstPageOf(int index) const
{
    if (!build || index < 0 || index >= build->firstPage.size() || build->firstPage.at(index) == 0)
        return 0;
    // Until the build ends the engine's spare first page stands in front.
    return build->firstPage.at(index) + (build->done ? 0 : 1);
}

void TextToPDF::startBuild()
{
    build = std::make_unique<Build>();
    Build& b = *build;
    b.change = changes;
    b.paths = inputs;
    b.firstPage.fill(0, inputs.size());
    b.paper = papersizes::millimetres(ui->comboBox->currentText());
    b.margin = ui->spinBox_Margin->value();
    b.headline = ui->radioButton_glossy_2->isChecked()         ? Headline::FileName
                 : ui->radioButton_transparency_2->isChecked() ? Headline::FirstLine
                                                               : Headline::None;
    b.headlineSize = ui->horizontalSlider_Headline->value();
    b.headlineColour = headlineColour;
    const int contentSize = ui->horizontalSlider_Content->value();
    b.open = colourTag(contentSize, contentColour);
    for (const QString& path : inputs)
        b.totalBytes += qMax<qint64>(1, QFileInfo(path).size());
    building.start();
    previewWaiting = previewWaiting || selectedIndex >= 0;

    DiscardDocuments();
    if (!hasEngine()) {
        b.done = true;
        return;
    }
    engine->SetMeasurementUnits(folio::Millimetres);
    engine->SetOrigin(folio::OriginTopLeft);
    b.headlineFont = engine->AddTrueTypeFont(ui->fontComboBox_Headline->currentFont().family() + QStringLiteral(" [Bold]"), 0);
    b.contentFont = engine->AddTrueTypeFont(ui->fontComboBox_Content->currentFont().family(), 0);
    engine->SelectFont(b.contentFont);
    engine->SetTextSize(contentSize);
    b.lineHeight = engine->GetTextHeight();
}

namespace {

// A file's text, or why it cannot be had.
QString readText(const QString& path, QString* text)
{
    QString problem = FeatureBase::InputProblem(path);
    if (!problem.isEmpty())
        return problem;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("not readable");
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return QStringLiteral("not readable");
    if (!looksLikeText(bytes))
        return QStringLiteral("not a text file");
    *text = TextToPDF::DecodeText(bytes);
    return QString();
}

} // namespace

bool TextToPDF::buildSome(int budgetMs)
{
    if (!build)
        startBuild();
    Build& b = *build;
    QElapsedTimer clock;
    clock.start();
    while (!b.done) {
        if (budgetMs < 0) {
            const QString label = QStringLiteral("Laying out %1 (%2 of %3)")
                                      .arg(filenames::fileNameOf(b.paths.value(b.file)))
                                      .arg(qMin(b.file + 1, int(b.paths.size())))
                                      .arg(b.paths.size());
            if (!Progress(label, b.permille(), 1000))
                return false;
        } else if (clock.elapsed() >= budgetMs) {
            return false;
        }
        if (b.file < b.paths.size())
            b.fileOpen ? layOutPage(b) : openFile(b);
        else
            finishBuild(b);
    }
    return true;
}

void TextToPDF::openFile(Build& b)
{
    const QString& path = b.paths.at(b.file);
    b.fileBytes = qMax<qint64>(1, QFileInfo(path).size());
    QString text;
    const QString problem = readText(path, &text);
    if (!problem.isEmpty()) {
        b.problems.insert(b.file, problem);
        b.doneBytes += b.fileBytes;
        ++b.file;
        return;
    }
    // Line ends after the last line would only make blank pages.
    while (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    QString headline;
    if (b.headline == Headline::FileName) {
        headline = filenames::stem(filenames::fileNameOf(ToNativePath(path)));
    } else if (b.headline == Headline::FirstLine) {
        headline = text.section(QLatin1Char('\n'), 0, 0);
        // The text keeps the line end that followed its first line.
        text.remove(0, headline.size());
    }
    b.text = text;
    b.pos = 0;
    b.carry.clear();
    b.pagesOfFile = 0;
    b.headlineMarkup = Markup(headline);
    b.headlineHeight = 0;
    if (!headline.isEmpty()) {
        useHeadlineStyle(b);
        // A long headline wraps; the text begins below its last line.
        b.headlineHeight = qMin(engine->GetHTMLTextHeight(b.boxWidth(), b.headlineMarkup), b.boxHeight());
    }
    // Roughly what a page of small characters holds, so that a box is seldom
    // drawn a second time with more.
    const double points = 72 / kMmPerInch;
    const double line = qMax(1.0, b.lineHeight * points);
    const double perPage = (b.boxWidth() * points / (0.25 * line)) * (b.boxHeight() * points / line);
    b.chunk = qMax(kMinChunk, int(qMin(1e8, 2 * perPage)));
    b.fileOpen = true;
}

void TextToPDF::useHeadlineStyle(const Build& b)
{
    engine->SetHTMLNormalFont(QStringLiteral("Default"), b.headlineFont);
    engine->SetTextSize(b.headlineSize);
    engine->SetTextColor(b.headlineColour.redF(), b.headlineColour.greenF(), b.headlineColour.blueF());
}

void TextToPDF::layOutPage(Build& b)
{
    const bool first = b.pagesOfFile == 0;
    engine->NewPage();
    engine->SelectPage(engine->PageCount());
    QString body;
    if (first) {
        engine->SetPageDimensions(b.paper.width(), b.paper.height());
        if (!b.headlineMarkup.isEmpty()) {
            useHeadlineStyle(b);
            // A headline longer than the page goes on as text: nothing of it is lost.
            body = engine->DrawHTMLTextBox(b.margin, b.margin, b.boxWidth(), qMax(b.headlineHeight, 0.01), b.headlineMarkup);
        }
    }
    // Continuation pages keep the headline's room free too, as long as a
    // line still fits below it.
    const bool roomBelowHeadline = b.boxHeight() - b.headlineHeight >= b.lineHeight;
    const double top = roomBelowHeadline ? b.headlineHeight : first ? b.boxHeight() : 0;
    const double height = b.boxHeight() - top;

    // The box gets what the last one gave back, topped up to a piece of
    // the text about twice what a page holds, not all that is left of it: a
    // long text is not copied whole for every page. The opening tag is
    // never closed, so that each piece follows what the last box gave back.
    const int more = qMax(0, b.chunk - int(b.carry.size()));
    int end = more >= b.text.size() - b.pos ? b.text.size() : b.pos + more;
    if (end > b.pos && end < b.text.size() && b.text.at(end - 1).isHighSurrogate())
        --end;
    body += b.carry + Markup(b.text.mid(b.pos, end - b.pos));

    QString rest = body;
    if (height > 0) {
        engine->SetHTMLNormalFont(QStringLiteral("Default"), b.contentFont);
        rest = engine->DrawHTMLTextBox(b.margin, b.margin + top, b.boxWidth(), height, b.open + body);
        if (rest.isEmpty() && end < b.text.size()) {
            // Room for more than the piece: the same page again, with more.
            engine->DeletePages(engine->PageCount(), 1);
            b.chunk *= 4;
            return;
        }
        if (!body.isEmpty() && rest.size() >= body.size()) {
            // Nothing went onto the page (no font to draw with): further
            // pages would hold no more.
            b.problems.insert(b.file, QStringLiteral("its text could not be laid out whole"));
            rest.clear();
            end = b.text.size();
        }
    }
    if (first)
        b.firstPage[b.file] = engine->PageCount() - 1;  // the spare first page not counted
    ++b.pagesOfFile;
    b.pos = end;
    b.carry = rest;
    b.chunk = qMax(kMinChunk, 2 * int(body.size() - rest.size()));
    if (b.carry.isEmpty() && b.pos >= b.text.size()) {
        b.doneBytes += b.fileBytes;
        b.fileOpen = false;
        b.text.clear();
        ++b.file;
    }
}

void TextToPDF::finishBuild(Build& b)
{
    // The engine's spare first page goes once the document has pages of its own.
    if (engine->PageCount() > 1)
        engine->DeletePages(1, 1);
    b.done = true;
}

void TextToPDF::buildSlice()
{
    if (isRunning())
        return;  // the run goes on with the build itself
    if (!build || build->change != changes) {
        slices.stop();
        return;  // a newer change starts its own build
    }
    const int waitingFor = selectedIndex;
    const bool hadPage = firstPageOf(waitingFor) > 0;
    const bool complete = buildSome(kSliceMs);
    // The preview shows the selected file as soon as its first page stands.
    if (previewWaiting && (complete || (!hadPage && firstPageOf(waitingFor) > 0))) {
        previewWaiting = false;
        previewRequest = true;
    }
    if (complete)
        slices.stop();
    showBuildProgress();
}

void TextToPDF::showBuildProgress()
{
    const bool show = build && !build->done && building.elapsed() >= kShowProgressMs;
    if (show)
        ui->progressBar->setValue(build->permille());
    ui->progressBar->setVisible(show);
}

bool TextToPDF::genPDF(const QString& name, const QStringList& paths, bool save)
{
    if (paths != inputs) {
        inputs = paths;
        ++changes;
    }
    settle.stop();
    slices.stop();
    if (!build || build->change != changes)
        startBuild();
    if (!buildSome(-1)) {
        // Stopped: the window goes on with it later.
        slices.start();
        return false;
    }
    showBuildProgress();
    if (!save)
        return true;

    const Build& b = *build;
    bool anyWhole = false;
    for (int i = 0; i < b.paths.size(); ++i) {
        if (b.problems.contains(i)) {
            report().leftOut(b.paths.at(i), b.problems.value(i));
        } else {
            report().processed(b.paths.at(i));
            anyWhole = true;
        }
    }
    // Without one file laid out whole there is no document worth a file.
    if (!anyWhole)
        return true;
    // The document is saved as built: no information is stamped into it.
    SaveOutput(name, Stamp::Nothing);
    return true;
}

void TextToPDF::Process(QStringList paths)
{
    // An empty list makes no document, and nothing is saved.
    if (paths.isEmpty())
        return;
    AskSaveFileName();
    if (saveFileName.isEmpty())
        return;
    if (SaveNameIsAnInput(paths, QStringLiteral("text files")))
        return;
    // The document of the list as it is now, with the form as it is now:
    // files dropped on the window come without a list change.
    genPDF(saveFileName, paths, true);
}

// ---------------------------------------------------------------- preview

QPixmap TextToPDF::RenderPreviewPage(int page)
{
    // Files dropped on the window reach the page only with the run.
    const bool known = selectedIndex < inputs.size();
    const int index = selectedIndex >= 0 && known ? selectedIndex : 0;
    const QSizeF paper = build ? build->paper : papersizes::millimetres(ui->comboBox->currentText());
    const double dpi = qMin(kPreviewDpi, kPreviewLongSide * kMmPerInch / qMax(paper.width(), paper.height()));

    if (known && inputs.isEmpty())
        return QPixmap();

    // The list's thumbnails ask for the same picture again and again.
    QString key;
    const int first = known ? firstPageOf(index) : 0;
    if (first > 0 && hasEngine()) {
        const int docPage = qMin(first + qMax(page, 1) - 1, engine->PageCount());
        // Counted without the spare first page, which goes when the build ends.
        key = QStringLiteral("%1/%2").arg(build->change).arg(docPage - (build->done ? 0 : 1));
        if (key != pictureKey) {
            pictureKey = key;
            picture = QPixmap::fromImage(RenderPage(docPage, dpi));
        }
        return picture;
    }

    // Not built yet (or left out): a blank sheet of the paper, saying why.
    QString why = QStringLiteral("Preparing the page\u2026");
    if (!known)
        why = QStringLiteral("Files dropped on the window are laid out when \u201cProcess\u201d is pressed");
    else if (build && build->change == changes && build->problems.contains(index) && build->firstPage.value(index) == 0)
        why = QStringLiteral("%1: %2").arg(filenames::fileNameOf(inputs.value(index)), build->problems.value(index));
    else
        previewWaiting = true;
    const QSize size(qRound(paper.width() / kMmPerInch * dpi), qRound(paper.height() / kMmPerInch * dpi));
    key = QStringLiteral("sheet %1x%2 %3").arg(size.width()).arg(size.height()).arg(why);
    if (key == pictureKey)
        return picture;
    QPixmap sheet(size);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    QFont font = painter.font();
    font.setPixelSize(qMax(12, size.width() / 24));
    painter.setFont(font);
    painter.setPen(QColor(140, 140, 140));
    painter.drawText(sheet.rect().adjusted(size.width() / 10, 0, -size.width() / 10, 0), Qt::AlignCenter | Qt::TextWordWrap, why);
    painter.end();
    pictureKey = key;
    picture = sheet;
    return sheet;
}
