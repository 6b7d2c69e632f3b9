#pragma once

// Printing state of an instance: the custom printers made by NewCustomPrinter
// (a CUPS destination plus the settings given to SetupCustomPrinter) and the
// option sets made by PrintOptions.

#include "folioconstants.h"

#include <QString>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace fpe {

struct CustomPrinter {
    QString destination;       // the CUPS queue
    std::map<int, int> settings;  // folio::PrinterSetting -> value, only those given
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
