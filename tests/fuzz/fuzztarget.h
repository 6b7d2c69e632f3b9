#pragma once

// What every fuzz target does before its first input: with
// `--make-seeds DIR` it writes a seed corpus there and exits; otherwise it
// makes the application, the engine and a work folder that every input uses.

#include "pdfengine.h"

#include <QGuiApplication>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace fuzztarget {

struct Target {
    PdfEngine* engine = nullptr;
    QTemporaryDir* workDir = nullptr;
};

inline Target start(int* argc, char*** argv, const char* name, void (*makeSeeds)(const QString& dir))
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    for (int i = 1; i + 1 < *argc; ++i) {
        if (std::strcmp((*argv)[i], "--make-seeds") == 0) {
            QGuiApplication seedApp(*argc, *argv);
            makeSeeds(QString::fromLocal8Bit((*argv)[i + 1]));
            std::exit(0);
        }
    }
    // Made once and never destroyed: tearing the engine down during the
    // process's static destruction would outlive the libraries' own statics.
    static int fakeArgc = 1;
    static char* fakeArgv[] = {const_cast<char*>(name), nullptr};
    new QGuiApplication(fakeArgc, fakeArgv);
    Target target;
    target.engine = new PdfEngine(QStringLiteral("FolioPdfEngine"));
    if (!target.engine->LibraryLoaded()) {
        std::fprintf(stderr, "%s: libFolioPdfEngine.so not found\n", name);
        std::exit(1);
    }
    target.workDir = new QTemporaryDir();
    return target;
}

} // namespace fuzztarget
