#pragma once

// The boundary between the C exports and the engine: finds the instance and
// keeps every exception on this side of the C ABI.

#include <QString>

#include <exception>
#include <new>

namespace fpe {

class Instance;

Instance* findInstance(int id);
void reportFailure(Instance& in, const char* operation, const char* what);

inline QString textArgument(const char16_t* text)
{
    return text ? QString::fromUtf16(text) : QString();
}

template <class R, class F>
R dispatch(int instanceId, const char* operation, F&& body)
{
    Instance* in = findInstance(instanceId);
    if (!in)
        return R{};
    try {
        return body(*in);
    } catch (const std::exception& e) {
        reportFailure(*in, operation, e.what());
    } catch (...) {
        reportFailure(*in, operation, "unknown exception");
    }
    return R{};
}

const char16_t* storeTextResult(Instance& in, const QString& text);

template <class F>
const char16_t* dispatchText(int instanceId, const char* operation, F&& body)
{
    Instance* in = findInstance(instanceId);
    if (!in)
        return u"";
    try {
        return storeTextResult(*in, body(*in));
    } catch (const std::exception& e) {
        reportFailure(*in, operation, e.what());
    } catch (...) {
        reportFailure(*in, operation, "unknown exception");
    }
    return storeTextResult(*in, QString());
}

} // namespace fpe
