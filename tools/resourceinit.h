#pragma once

// Registers the program's compiled-in resources (style sheet, icons). They live
// in a static library, so they must be pulled in explicitly; safe to call often.
void initFolioResources();
