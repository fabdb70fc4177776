// Any bytes as the registry file: parsed, written back, and parsed again to the same keys and values.

#include "platform/registry.h"

#include <cstddef>
#include <cstdint>

using namespace vek::platform::registry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QList<Key> keys = parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const QList<Key> again = parse(serialize(keys));
    if (again.size() != keys.size())
        __builtin_trap();
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (keys[i].values.size() != again[i].values.size())
            __builtin_trap();
        for (qsizetype j = 0; j < keys[i].values.size(); ++j) {
            const Value& a = keys[i].values[j].second;
            const Value& b = again[i].values[j].second;
            if (a.kind != b.kind || a.text != b.text || a.dword != b.dword)
                __builtin_trap();
        }
    }
    return 0;
}
