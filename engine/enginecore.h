#pragma once

#include <string>

class QLibrary;

// Loads the FolioPdfEngine library, resolves every export into a table of
// function pointers, creates one engine instance and calls the exports with
// that instance's id. When the library or any export is missing, every call
// returns 0 or empty text without calling anything.
class EngineCore
{
public:
    explicit EngineCore(const std::u16string& libraryName);
    ~EngineCore();
    EngineCore(const EngineCore&) = delete;
    EngineCore& operator=(const EngineCore&) = delete;

#include "enginecore_functions.inc"

    bool isLoaded() const { return !functionMissing && instanceId > 0; }
    int instance() const { return instanceId; }
    // Where the library was found; empty when it was not loaded.
    std::u16string libraryPath() const;

#include "enginecore_ops.inc"

    // 8-bit data for exports that take raw bytes: passed through a library-side
    // buffer when it holds NUL bytes. No operation of the table needs it yet.
    void* createBuffer(const std::string& data);
    void releaseBuffer(void* buffer);
    std::string ansiResult(const char* text);

    static const char* const functionNames[FunctionCount];

private:
    std::u16string textResult(const char16_t* text);
    void* resolve(Function f) const { return functions[f]; }

    QLibrary* module = nullptr;
    int instanceId = 0;
    bool functionMissing = false;
    void* functions[FunctionCount] = {};
};
