// The library's C exports: the seven internal functions, the instance table
// and one generated export per operation of engine/operations.table.

#include "core/dispatch.h"
#include "fpe_exports.h"
#include "core/instance.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace fpe {
namespace {

std::mutex registryMutex;
// Never destroyed: instances still open at process exit are left to the
// system, since tearing them down then would run after QPDF's and Poppler's
// own static objects are gone.
std::map<int, std::unique_ptr<Instance>>& registry()
{
    static auto* instances = new std::map<int, std::unique_ptr<Instance>>();
    return *instances;
}
int lastInstanceId = 0;

} // namespace

Instance* findInstance(int id)
{
    std::lock_guard<std::mutex> lock(registryMutex);
    auto it = registry().find(id);
    return it == registry().end() ? nullptr : it->second.get();
}

void reportFailure(Instance& in, const char* operation, const char* what)
{
    in.lastError = QStringLiteral("%1: %2").arg(QString::fromLatin1(operation), QString::fromUtf8(what));
}

const char16_t* storeTextResult(Instance& in, const QString& text)
{
    in.textResult = text.toStdU16String();
    return in.textResult.c_str();
}

} // namespace fpe

extern "C" FPE_API int FPECreateLibrary(void)
{
    try {
        fpe::initialiseLibrary();
        std::lock_guard<std::mutex> lock(fpe::registryMutex);
        const int id = ++fpe::lastInstanceId;
        fpe::registry()[id] = std::make_unique<fpe::Instance>(id);
        return id;
    } catch (...) {
        return 0;
    }
}

extern "C" FPE_API int FPEReleaseLibrary(int instanceId)
{
    std::unique_ptr<fpe::Instance> doomed;
    {
        std::lock_guard<std::mutex> lock(fpe::registryMutex);
        auto it = fpe::registry().find(instanceId);
        if (it == fpe::registry().end())
            return 0;
        doomed = std::move(it->second);
        fpe::registry().erase(it);
    }
    try {
        doomed.reset();
    } catch (...) {
    }
    return 1;
}

extern "C" FPE_API int FPEStringResultLength(int instanceId)
{
    fpe::Instance* in = fpe::findInstance(instanceId);
    return in ? static_cast<int>(in->textResult.size()) : 0;
}

extern "C" FPE_API int FPEAnsiStringResultLength(int instanceId)
{
    fpe::Instance* in = fpe::findInstance(instanceId);
    return in ? static_cast<int>(in->ansiResult.size()) : 0;
}

extern "C" FPE_API void* FPECreateBuffer(int instanceId, int length)
{
    fpe::Instance* in = fpe::findInstance(instanceId);
    if (!in || length < 0)
        return nullptr;
    try {
        auto buffer = std::make_unique<std::string>();
        buffer->reserve(static_cast<size_t>(length));
        void* handle = buffer.get();
        in->buffers[handle] = std::move(buffer);
        return handle;
    } catch (...) {
        return nullptr;
    }
}

extern "C" FPE_API int FPEAddToBuffer(int instanceId, void* buffer, const char* data, int length)
{
    fpe::Instance* in = fpe::findInstance(instanceId);
    if (!in || !data || length < 0)
        return 0;
    auto it = in->buffers.find(buffer);
    if (it == in->buffers.end())
        return 0;
    try {
        it->second->append(data, static_cast<size_t>(length));
        return 1;
    } catch (...) {
        return 0;
    }
}

extern "C" FPE_API int FPEReleaseBuffer(int instanceId, void* buffer)
{
    fpe::Instance* in = fpe::findInstance(instanceId);
    if (!in)
        return 0;
    return in->buffers.erase(buffer) ? 1 : 0;
}

#include "fpe_dispatch.inc"
