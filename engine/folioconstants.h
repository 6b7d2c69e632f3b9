#pragma once

// Numbers that pass between the engine library, its binding, the tools, the
// command-line companion and the tests, named once.

namespace folio {

// LoadFromFile, SaveToFile and most other operations answer this on success.
constexpr int Success = 1;

// LastLoadError: why the last LoadFromFile failed.
enum LoadError {
    LoadSucceeded = 0,
    LoadNoFile = 1,        // missing or unreadable
    LoadNotPdf = 2,
    LoadDamaged = 3,       // damaged beyond repair
    LoadNeedsPassword = 4, // protected, and the password given does not open it
    LoadNoPages = 5,       // a sound file whose document has no page
};

// SetInformation's and GetInformation's keys.
enum InfoKey {
    InfoAuthor = 1,
    InfoTitle = 2,
    InfoSubject = 3,
    InfoKeywords = 4,
    InfoCreator = 5,
    InfoProducer = 6,
    // Read only (GetInformation): PDF date text such as D:20240131120000+01'00'.
    InfoCreationDate = 7,
    InfoModDate = 8,
};

// SetMeasurementUnits.
enum Units { Points = 0, Millimetres = 1, Inches = 2 };
// SetOrigin: where (0, 0) is, and which way Top runs.
enum Origin { OriginBottomLeft = 0, OriginTopLeft = 1 };

// RenderPageToFile's options: the image format written.
enum RenderFormat { RenderBmp = 0, RenderJpeg = 1, RenderPng = 5, RenderTiff = 7 };
// A JPEG of that quality (1-100); RenderJpeg alone writes quality 90.
constexpr int RenderJpegAtQuality(int quality) { return RenderJpeg | quality << 8; }

// GetPageBox's boxes and dimensions.
enum PageBox { MediaBox = 1, CropBox = 2, BleedBox = 3, TrimBox = 4, ArtBox = 5 };
enum BoxDimension { BoxLeft = 0, BoxTop = 1, BoxWidth = 2, BoxHeight = 3 };

// ImageType of a found or added image.
enum ImageType {
    ImageUnknown = 0,
    ImageJpeg = 1,     // DCT data, saved as the original JPEG bytes
    ImagePng = 2,      // any other kind, saved as PNG
    ImageBmp = 3,
    ImageGif = 4,
    ImageTiff = 5,     // a TIFF file, or CCITT data in a document
    ImageJpeg2000 = 6,
    ImageJbig2 = 7,
};

// SetupCustomPrinter's settings.
enum PrinterSetting {
    PrinterPaperSize = 1,    // 0 = custom size from settings 2 and 3, or a known paper number
    PrinterPaperLength = 2,  // tenths of a millimetre
    PrinterPaperWidth = 3,   // tenths of a millimetre
    PrinterCopies = 4,
    PrinterQuality = 5,      // 1 high, 2 medium, 3 low, 4 draft
    PrinterColour = 6,       // 1 monochrome, 2 colour
    PrinterDuplex = 7,       // 1 simplex, 2 long edge, 3 short edge
    PrinterMediaType = 10,   // 0 printer's choice, 1 standard, 2 transparency, 3 glossy
    PrinterOrientation = 11, // 1 portrait, 2 landscape
};

// The answers of the question an existing output file asks.
enum FileExistsAnswer { FileExistsClosed = -1, FileExistsRename = 0, FileExistsOverride = 1, FileExistsSkip = 2 };

} // namespace folio
