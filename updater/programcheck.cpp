#include "programcheck.h"

namespace vekupd {

namespace {

quint64 rd(const QByteArray& b, qsizetype at, int size)
{
    quint64 v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = v << 8 | uchar(b[at + i]);
    return v;
}

// Whether `length` bytes from `offset` lie inside `size` bytes.
bool within(quint64 offset, quint64 length, quint64 size)
{
    return offset <= size && length <= size - offset;
}

} // namespace

bool looksLikeProgram(const QByteArray& b, QString* error)
{
    if (b.isEmpty()) {
        *error = QStringLiteral("数据库中存储的程序为空");
        return false;
    }
    if (b.startsWith("\x7f" "ELF")) {
        if (b.size() < 64 || b[4] != 2 || b[5] != 1) {
            *error = QStringLiteral("存储的程序不完整（%1 字节）").arg(b.size());
            return false;
        }
        const quint64 phoff = rd(b, 0x20, 8), shoff = rd(b, 0x28, 8);
        const quint64 phentsize = rd(b, 0x36, 2), phnum = rd(b, 0x38, 2);
        const quint64 shentsize = rd(b, 0x3A, 2), shnum = rd(b, 0x3C, 2);
        const quint64 size = quint64(b.size());
        // The tables hold entries of the 64-bit layout, and lie inside the bytes. Each offset read from
        // the file is compared with what is left after it, so no sum can wrap past the bound.
        const bool tablesFit = (phnum == 0 || phentsize == 56) && (shnum == 0 || shentsize == 64) &&
                               within(phoff, phentsize * phnum, size) && within(shoff, shentsize * shnum, size);
        if (!tablesFit) {
            *error = QStringLiteral("存储的程序不完整（%1 字节）").arg(b.size());
            return false;
        }
        // Every segment's bytes lie inside the file.
        for (quint64 i = 0; i < phnum; ++i) {
            const qsizetype ph = qsizetype(phoff + i * phentsize);
            if (!within(rd(b, ph + 8, 8), rd(b, ph + 0x20, 8), size)) {
                *error = QStringLiteral("存储的程序不完整（%1 字节）").arg(b.size());
                return false;
            }
        }
        return true;
    }
    if (b.startsWith("MZ"))
        return true;
#ifndef Q_OS_WIN
    if (b.startsWith("#!")) // a script is a program too
        return true;
#endif
    *error = QStringLiteral("数据库中存储的不是可执行程序");
    return false;
}

} // namespace vekupd
