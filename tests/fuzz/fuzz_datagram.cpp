// Any bytes as a received datagram: decoded from GBK up to the text limit and read as a show datagram.

#include "notices/datagram.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = vek::notices::fromGbk(bytes, vek::notices::kTextLimit);
    if (const auto n = vek::notices::parseShow(text)) {
        // What was shown came from the text: the body always starts with the four blanks.
        if (!n->body.startsWith(QStringLiteral("    ")))
            __builtin_trap();
    }
    return 0;
}
