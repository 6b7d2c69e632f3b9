#include "enginecore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QString>

namespace {

// The program's own directory comes first, then the system's search order.
QLibrary* loadLibrary(const QString& name)
{
    QStringList candidates;
    const bool bare = !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
    if (bare && QCoreApplication::instance())
        candidates << QDir(QCoreApplication::applicationDirPath()).filePath(name);
    candidates << name;
    for (const QString& candidate : candidates) {
        auto* lib = new QLibrary(candidate);
        if (lib->load())
            return lib;
        delete lib;
    }
    return nullptr;
}

} // namespace

EngineCore::EngineCore(const std::u16string& libraryName)
{
    functionMissing = false;
    instanceId = 0;
    QString name = QString::fromStdU16String(libraryName);
    // A Windows-style name still finds the library on other systems.
    if (name.endsWith(QLatin1String(".dll"), Qt::CaseInsensitive))
        name.chop(4);
    module = loadLibrary(name);
    if (!module) {
        functionMissing = true;
        return;
    }
    for (int i = 0; i < FunctionCount; ++i) {
        functions[i] = reinterpret_cast<void*>(module->resolve(functionNames[i]));
        if (!functions[i])
            functionMissing = true;
    }
    if (functionMissing)
        return;
    instanceId = reinterpret_cast<int (*)()>(functions[Fn_CreateLibrary])();
    if (instanceId <= 0)
        functionMissing = true;
}

EngineCore::~EngineCore()
{
    if (instanceId > 0 && functions[Fn_ReleaseLibrary])
        reinterpret_cast<int (*)(int)>(functions[Fn_ReleaseLibrary])(instanceId);
    instanceId = 0;
    if (module) {
        module->unload();
        delete module;
        module = nullptr;
    }
}

std::u16string EngineCore::libraryPath() const
{
    return module ? module->fileName().toStdU16String() : std::u16string();
}

std::u16string EngineCore::textResult(const char16_t* text)
{
    if (!text)
        return {};
    // The length comes from the library: the text may hold NUL characters.
    const int length = reinterpret_cast<int (*)(int)>(functions[Fn_StringResultLength])(instanceId);
    if (length <= 0)
        return {};
    return std::u16string(text, static_cast<size_t>(length));
}

std::string EngineCore::ansiResult(const char* text)
{
    if (functionMissing || !text)
        return {};
    const int length = reinterpret_cast<int (*)(int)>(functions[Fn_AnsiStringResultLength])(instanceId);
    if (length <= 0)
        return {};
    return std::string(text, static_cast<size_t>(length));
}

void* EngineCore::createBuffer(const std::string& data)
{
    if (functionMissing)
        return nullptr;
    void* buffer = reinterpret_cast<void* (*)(int, int)>(functions[Fn_CreateBuffer])(
        instanceId, static_cast<int>(data.size()));
    if (buffer)
        reinterpret_cast<int (*)(int, void*, const char*, int)>(functions[Fn_AddToBuffer])(
            instanceId, buffer, data.data(), static_cast<int>(data.size()));
    return buffer;
}

void EngineCore::releaseBuffer(void* buffer)
{
    if (functionMissing || !buffer)
        return;
    reinterpret_cast<int (*)(int, void*)>(functions[Fn_ReleaseBuffer])(instanceId, buffer);
}
