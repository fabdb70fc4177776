#include "fileversion.h"
#include "fileversion_elf.h"

#include <QFile>

#include <cstring>
#include <elf.h>

namespace vek::platform {

QString formatFileVersion(quint32 ms, quint32 ls)
{
    return QStringLiteral("%1.%2.%3.%4").arg(ms >> 16).arg(ms & 0xFFFF).arg(ls >> 16).arg(ls & 0xFFFF);
}

namespace {

// Reads `size` bytes at `offset`; false when they do not all lie inside the file. Offsets come from
// the file itself, so they are compared in unsigned arithmetic that cannot wrap.
bool readAt(QIODevice& f, quint64 offset, void* out, quint64 size)
{
    const quint64 fileSize = quint64(f.size());
    if (offset > fileSize || size > fileSize - offset)
        return false;
    return f.seek(qint64(offset)) && f.read(static_cast<char*>(out), qint64(size)) == qint64(size);
}

template <typename T>
bool readAt(QIODevice& f, quint64 offset, T* out)
{
    return readAt(f, offset, out, sizeof(T));
}

quint32 le32(const unsigned char* p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

template <typename Ehdr, typename Shdr>
QString readVersion(QIODevice& f)
{
    Ehdr eh;
    if (!readAt(f, 0, &eh) || eh.e_shentsize != sizeof(Shdr) || eh.e_shnum == 0 || eh.e_shstrndx >= eh.e_shnum)
        return {};
    // The whole section table lies inside the file (at most 65,535 entries of 64 bytes: no wrap).
    const quint64 fileSize = quint64(f.size());
    const quint64 tableSize = quint64(eh.e_shnum) * sizeof(Shdr);
    if (quint64(eh.e_shoff) > fileSize || tableSize > fileSize - quint64(eh.e_shoff))
        return {};
    Shdr strtab;
    if (!readAt(f, quint64(eh.e_shoff) + quint64(eh.e_shstrndx) * sizeof(Shdr), &strtab))
        return {};
    if (quint64(strtab.sh_size) > (1 << 20))
        return {};
    QByteArray names(qsizetype(strtab.sh_size), '\0');
    if (!readAt(f, quint64(strtab.sh_offset), names.data(), quint64(names.size())))
        return {};
    names.append('\0'); // a name table without its final NUL still ends
    for (quint64 i = 0; i < eh.e_shnum; ++i) {
        Shdr sh;
        if (!readAt(f, quint64(eh.e_shoff) + i * sizeof(Shdr), &sh))
            return {};
        if (quint64(sh.sh_name) >= quint64(names.size()))
            continue;
        if (std::strcmp(names.constData() + sh.sh_name, ".vek.version") != 0)
            continue;
        unsigned char data[8];
        if (sh.sh_type == SHT_NOBITS || quint64(sh.sh_size) < 8 || !readAt(f, quint64(sh.sh_offset), data, 8))
            return {};
        return formatFileVersion(le32(data), le32(data + 4));
    }
    return {};
}

} // namespace

QString fileVersionOf(QIODevice& f)
{
    unsigned char ident[EI_NIDENT];
    if (!readAt(f, 0, ident, EI_NIDENT) || std::memcmp(ident, ELFMAG, SELFMAG) != 0 || ident[EI_DATA] != ELFDATA2LSB)
        return {};
    if (ident[EI_CLASS] == ELFCLASS64)
        return readVersion<Elf64_Ehdr, Elf64_Shdr>(f);
    if (ident[EI_CLASS] == ELFCLASS32)
        return readVersion<Elf32_Ehdr, Elf32_Shdr>(f);
    return {};
}

QString getfilever(const QString& fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return fileVersionOf(f);
}

} // namespace vek::platform
