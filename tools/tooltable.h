#pragma once

// The one table of the family's tools. Everything that differs from tool to
// tool (its name, how the window is arranged for it, what it takes as input,
// what its preview shows, its page) is one row here, and every other place
// asks the row instead of comparing tool numbers.

#include <QList>
#include <QString>
#include <QStringList>

class FeatureBase;
class QWidget;
struct BrandingRecord;

// Tool numbers as Data.dat stores them.
enum class Tool {
    Merger = 1,
    Splitter,
    Watermark,
    PageResizer,
    ImagesToPdf,
    Compressor,
    PdfToImages,
    BatchPrint,
    WordCount,
    RotateAndCrop,
    ImageExtractor,
    PageRemover,
    InfoChanger,
    PdfToText,
    TextToPdf,
};

struct ToolRow
{
    // What the list takes: file-dialog filter, folder-import patterns, what
    // the command line accepts.
    enum class Files { Pdf, Images, Text };
    // Any number of files, or one picked with "Select File".
    enum class Count { List, SingleFile };
    // What the preview shows of a file of the list.
    enum class Preview {
        PdfPage,   // a page of the PDF, rendered by the engine, through the page's Preview hook
        ImageFile, // the image file itself; there are no pages to turn
        OwnPage,   // the tool page's own document (RenderPreviewPage); no pages to turn
    };

    Tool tool;
    const char* name;         // as displayed
    int layoutVariant;        // the main window's arrangement
    Count count;
    Files files;
    const char* saveFilter;   // the save dialog's filter; nullptr for PDF files
    Preview preview;
    bool pageFillsColumn;     // the page is stretched down to "Process"
    int themeShift;           // added to each channel of the theme colour in the tool's style
    // Makes the tool page; nullptr while the tool has no page in this program.
    FeatureBase* (*create)(QWidget* parent, const BrandingRecord& record);

    int number() const { return int(tool); }
    // The name as stored in the branding record: spaces as "-" ("PDF-Merger").
    QString storedName() const;
    // The tool's icon among the program's resources (resources/ico/).
    QString iconFileName() const;
    // The installed tool's command (folioforge-merger, folioforge-pdf-to-text)
    // and its desktop entry and icon name (org.folioforge.PdfMerger).
    QString launcherName() const;
    QString desktopId() const;

    // The file dialogs' filters and the folder-import patterns of a kind of input.
    static QString openFilter(Files files);
    static QStringList extensions(Files files);
    static QString pdfSaveFilter();
};

// Every row, in tool-number order.
const QList<ToolRow>& toolTable();
// The row of a tool number; nullptr for numbers outside the table.
const ToolRow* findTool(int number);
