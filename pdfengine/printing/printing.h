#pragma once

// Printing state of an instance: the custom printers made by NewCustomPrinter
// (a CUPS destination plus the settings given to SetupCustomPrinter) and the
// option sets made by PrintOptions.

#include <QString>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace fpe {

// SetupCustomPrinter's setting numbers.
enum PrinterSetting {
    SettingPaperSize = 1,    // 0 = custom size from settings 2 and 3, or a known paper number
    SettingPaperLength = 2,  // tenths of a millimetre
    SettingPaperWidth = 3,   // tenths of a millimetre
    SettingCopies = 4,
    SettingQuality = 5,      // 1 high, 2 medium, 3 low, 4 draft
    SettingColour = 6,       // 1 monochrome, 2 colour
    SettingDuplex = 7,       // 1 simplex, 2 long edge, 3 short edge
    SettingMediaType = 10,   // 0 printer's choice, 1 standard, 2 transparency, 3 glossy
    SettingOrientation = 11, // 1 portrait, 2 landscape
};

struct CustomPrinter {
    QString destination;       // the CUPS queue
    std::map<int, int> settings;  // setting -> value, only those given
    // The queue's own options (lpoptions, its defaults) as NewCustomPrinter
    // found them: each job of the printer takes them without asking again.
    std::vector<std::pair<std::string, std::string>> destinationOptions;
};

struct PrintOptionSet {
    int pageScaling = 1;       // 0 none, 1 fit to paper, 2 shrink large pages only
    bool autoRotateCenter = true;
    QString title;
};

struct PrintState {
    std::map<QString, CustomPrinter> printers;  // by the name NewCustomPrinter gave
    std::map<int, PrintOptionSet> options;      // by options id
    QString lastError;                          // why the last PrintDocument made no job
};

} // namespace fpe
