// The client's reader of the version section of an ELF file, on arbitrary bytes.

#include "platform/fileversion_elf.h"

#include <QBuffer>
#include <QRegularExpression>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const QString version = vek::platform::fileVersionOf(buffer);
    static const QRegularExpression form(QStringLiteral("^\\d{1,5}\\.\\d{1,5}\\.\\d{1,5}\\.\\d{1,5}$"));
    if (!version.isEmpty() && !form.match(version).hasMatch())
        __builtin_trap();
    return 0;
}
