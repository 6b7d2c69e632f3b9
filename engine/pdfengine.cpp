#include "pdfengine.h"

#include "enginecore.h"

PdfEngine::PdfEngine(const QString& libraryName)
    : QObject(nullptr)
    , core(new EngineCore(libraryName.toStdU16String()))
    , ownsCore(true)
{
}

PdfEngine::PdfEngine(EngineCore* existingCore)
    : QObject(nullptr)
    , core(existingCore)
    , ownsCore(false)
{
}

PdfEngine::~PdfEngine()
{
    if (ownsCore)
        delete core;
}

bool PdfEngine::LibraryLoaded()
{
    return core && core->isLoaded();
}
