// The updater's check of the program stored in the database, on arbitrary bytes.

#include "programcheck.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QString error;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!vekupd::looksLikeProgram(bytes, &error) && error.isEmpty())
        __builtin_trap(); // a refusal always says why
    return 0;
}
