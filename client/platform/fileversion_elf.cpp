#include "fileversion.h"

#include <QFile>

#include <cstring>
#include <elf.h>

namespace vek::platform {

QString formatFileVersion(quint32 ms, quint32 ls)
{
    return QStringLiteral("%1.%2.%3.%4").arg(ms >> 16).arg(ms & 0xFFFF).arg(ls >> 16).arg(ls & 0xFFFF);
}

namespace {

template <typename T>
bool readAt(QFile& f, qint64 offset, T* out, qint64 size = sizeof(T))
{
    return offset >= 0 && f.seek(offset) && f.read(reinterpret_cast<char*>(out), size) == size;
}

quint32 le32(const unsigned char* p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

template <typename Ehdr, typename Shdr>
QString readVersion(QFile& f)
{
    Ehdr eh;
    if (!readAt(f, 0, &eh) || eh.e_shentsize != sizeof(Shdr) || eh.e_shnum == 0 || eh.e_shstrndx >= eh.e_shnum)
        return {};
    const qint64 fileSize = f.size();
    Shdr strtab;
    if (!readAt(f, qint64(eh.e_shoff) + qint64(eh.e_shstrndx) * qint64(sizeof(Shdr)), &strtab))
        return {};
    if (qint64(strtab.sh_offset) + qint64(strtab.sh_size) > fileSize || strtab.sh_size > (1 << 20))
        return {};
    QByteArray names(qsizetype(strtab.sh_size), '\0');
    if (!readAt(f, qint64(strtab.sh_offset), names.data(), names.size()))
        return {};
    for (int i = 0; i < eh.e_shnum; ++i) {
        Shdr sh;
        if (!readAt(f, qint64(eh.e_shoff) + qint64(i) * qint64(sizeof(Shdr)), &sh))
            return {};
        if (sh.sh_name >= quint64(names.size()))
            continue;
        if (std::strcmp(names.constData() + sh.sh_name, ".vek.version") != 0)
            continue;
        unsigned char data[8];
        if (sh.sh_type == SHT_NOBITS || sh.sh_size < 8 || !readAt(f, qint64(sh.sh_offset), data, 8))
            return {};
        return formatFileVersion(le32(data), le32(data + 4));
    }
    return {};
}

} // namespace

QString getfilever(const QString& fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    unsigned char ident[EI_NIDENT];
    if (!readAt(f, 0, ident, EI_NIDENT) || std::memcmp(ident, ELFMAG, SELFMAG) != 0 || ident[EI_DATA] != ELFDATA2LSB)
        return {};
    if (ident[EI_CLASS] == ELFCLASS64)
        return readVersion<Elf64_Ehdr, Elf64_Shdr>(f);
    if (ident[EI_CLASS] == ELFCLASS32)
        return readVersion<Elf32_Ehdr, Elf32_Shdr>(f);
    return {};
}

} // namespace vek::platform
