#include "avi.h"

#include <QFile>
#include <QPainter>

#include <cstring>
#include <vector>

namespace vekupd {

namespace {

// The most the decoded frames of one file may take.
constexpr quint64 kMaxDecodedBytes = quint64(256) << 20;

quint32 le32(const QByteArray& d, qsizetype at)
{
    const auto* p = reinterpret_cast<const uchar*>(d.constData() + at);
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

qint32 les32(const QByteArray& d, qsizetype at) { return qint32(le32(d, at)); }

quint16 le16(const QByteArray& d, qsizetype at)
{
    const auto* p = reinterpret_cast<const uchar*>(d.constData() + at);
    return quint16(p[0] | p[1] << 8);
}

struct Parse {
    explicit Parse(const QByteArray& data)
        : d(data)
    {
    }
    const QByteArray& d;
    QString error;
    bool haveAvih = false, haveStrh = false, haveStrf = false;
    quint32 microSecPerFrame = 0, rate = 0, scale = 0;
    int width = 0, height = 0; // height as stored: positive means bottom-up
    quint32 compression = 0;
    QList<QRgb> palette;
    QList<QByteArray> frames;

    bool fail(const QString& why)
    {
        if (error.isEmpty())
            error = why;
        return false;
    }

    // Walks the chunks in [from, to).
    bool chunks(qsizetype from, qsizetype to, const QByteArray& listType)
    {
        qsizetype at = from;
        while (at + 8 <= to) {
            const QByteArray id = d.mid(at, 4);
            const qsizetype size = le32(d, at + 4);
            const qsizetype body = at + 8;
            if (size > to - body)
                return fail(QStringLiteral("文件不完整：块 '%1' 超出文件末尾").arg(QString::fromLatin1(id)));
            if (id == "LIST") {
                if (size < 4)
                    return fail(QStringLiteral("LIST 块过短"));
                if (!chunks(body + 4, body + size, d.mid(body, 4)))
                    return false;
            } else if (!chunk(id, body, size, listType)) {
                return false;
            }
            at = body + size + (size & 1);
        }
        return true;
    }

    bool chunk(const QByteArray& id, qsizetype at, qsizetype size, const QByteArray& listType)
    {
        if (id == "avih" && listType == "hdrl") {
            if (size < 40)
                return fail(QStringLiteral("avih 头过短"));
            haveAvih = true;
            microSecPerFrame = le32(d, at);
        } else if (id == "strh" && listType == "strl") {
            if (size < 48)
                return fail(QStringLiteral("strh 头过短"));
            if (haveStrh)
                return true; // only the first stream is played
            if (d.mid(at, 4) != "vids")
                return fail(QStringLiteral("第一个流不是视频流"));
            haveStrh = true;
            scale = le32(d, at + 20);
            rate = le32(d, at + 24);
        } else if (id == "strf" && listType == "strl") {
            if (haveStrf)
                return true;
            if (size < 40)
                return fail(QStringLiteral("strf 头过短"));
            haveStrf = true;
            width = les32(d, at + 4);
            height = les32(d, at + 8);
            const int bits = le16(d, at + 14);
            compression = le32(d, at + 16);
            quint32 colours = le32(d, at + 32);
            const quint32 headerSize = le32(d, at);
            if (bits != 8)
                return fail(QStringLiteral("不支持 %1 位颜色（只支持 8 位）").arg(bits));
            if (compression != 0 && compression != 1)
                return fail(QStringLiteral("不支持压缩方式 %1（只支持未压缩和 RLE8）").arg(compression));
            if (width <= 0 || width > 4096 || height == 0 || height > 4096 || height < -4096)
                return fail(QStringLiteral("画面尺寸 %1 × %2 无效").arg(width).arg(height));
            if (colours == 0)
                colours = 256;
            // In 64 bits: a header size near 4 GiB must not wrap past the bound.
            if (colours > 256 || headerSize < 40 || quint64(headerSize) + quint64(colours) * 4 > quint64(size))
                return fail(QStringLiteral("调色板不完整"));
            for (quint32 i = 0; i < colours; ++i) {
                const qsizetype p = at + headerSize + i * 4;
                const auto* c = reinterpret_cast<const uchar*>(d.constData() + p);
                palette << qRgb(c[2], c[1], c[0]);
            }
        } else if (listType == "movi" || listType == "rec ") {
            if (id.size() == 4 && (id.endsWith("db") || id.endsWith("dc")) && id.left(2) == "00")
                frames << d.mid(at, size);
        }
        return true;
    }
};

bool decodeRle8(const QByteArray& src, int w, int h, std::vector<uchar>& pix, QString* error)
{
    // Rows from the bottom up; pixels not written keep the previous frame's value.
    const auto* p = reinterpret_cast<const uchar*>(src.constData());
    const qsizetype n = src.size();
    qsizetype i = 0;
    int x = 0, y = 0;
    auto put = [&](uchar v) -> bool {
        if (x >= w || y >= h)
            return false;
        pix[size_t(h - 1 - y) * size_t(w) + size_t(x)] = v;
        ++x;
        return true;
    };
    const QString corrupt = QStringLiteral("RLE8 画面数据损坏");
    while (i + 1 < n) {
        const uchar count = p[i], value = p[i + 1];
        i += 2;
        if (count > 0) {
            for (int k = 0; k < count; ++k)
                if (!put(value))
                    return *error = corrupt, false;
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            ++y;
            break;
        case 1: // end of bitmap
            return true;
        case 2: // delta
            if (i + 1 >= n)
                return *error = corrupt, false;
            x += p[i];
            y += p[i + 1];
            i += 2;
            break;
        default: // absolute run
            if (i + value > n)
                return *error = corrupt, false;
            for (int k = 0; k < value; ++k)
                if (!put(p[i + k]))
                    return *error = corrupt, false;
            i += value + (value & 1);
        }
    }
    return true;
}

} // namespace

bool loadAvi(const QByteArray& data, AviMovie* movie, QString* error)
{
    QString dummy;
    if (!error)
        error = &dummy;
    if (data.size() < 12 || !data.startsWith("RIFF") || data.mid(8, 4) != "AVI ") {
        *error = QStringLiteral("不是 AVI 文件");
        return false;
    }
    Parse parse(data);
    const qsizetype riffEnd = qMin<qsizetype>(data.size(), 8 + qsizetype(le32(data, 4)));
    if (8 + qsizetype(le32(data, 4)) > data.size()) {
        *error = QStringLiteral("文件不完整：缺少 %1 字节").arg(8 + qsizetype(le32(data, 4)) - data.size());
        return false;
    }
    if (!parse.chunks(12, riffEnd, "AVI ")) {
        *error = parse.error;
        return false;
    }
    if (!parse.haveStrh || !parse.haveStrf) {
        *error = QStringLiteral("缺少视频流的头信息");
        return false;
    }
    if (parse.frames.isEmpty()) {
        *error = QStringLiteral("没有画面");
        return false;
    }

    const int w = parse.width, h = qAbs(parse.height);
    const bool bottomUp = parse.height > 0;
    QList<QRgb> table = parse.palette;
    table.resize(256, qRgb(0, 0, 0));
    table[0] = qRgba(0, 0, 0, 0); // the background shows through
    // Every frame is kept decoded (4 bytes a pixel): a file of many tiny frames must not make us
    // claim gigabytes.
    const quint64 frameBytes = quint64(w) * quint64(h) * 4;
    if (frameBytes * quint64(parse.frames.size()) > kMaxDecodedBytes) {
        *error = QStringLiteral("动画过大：%1 帧 %2 × %3").arg(parse.frames.size()).arg(w).arg(h);
        return false;
    }
    std::vector<uchar> pix(size_t(w) * size_t(h), 0);
    AviMovie out;
    out.width = w;
    out.height = h;
    for (int f = 0; f < parse.frames.size(); ++f) {
        const QByteArray& src = parse.frames[f];
        if (parse.compression == 1) {
            QString why;
            if (!decodeRle8(src, w, h, pix, &why)) {
                *error = QStringLiteral("第 %1 帧：%2").arg(f + 1).arg(why);
                return false;
            }
        } else {
            const qsizetype stride = (w + 3) & ~3;
            if (src.size() < stride * h) {
                *error = QStringLiteral("第 %1 帧：数据不完整").arg(f + 1);
                return false;
            }
            for (int y = 0; y < h; ++y) {
                const int row = bottomUp ? h - 1 - y : y;
                std::memcpy(pix.data() + size_t(row) * size_t(w), src.constData() + y * stride, size_t(w));
            }
        }
        QImage img(w, h, QImage::Format_Indexed8);
        img.setColorTable(table);
        for (int y = 0; y < h; ++y)
            std::memcpy(img.scanLine(y), pix.data() + size_t(y) * size_t(w), size_t(w));
        out.frames << img.convertToFormat(QImage::Format_ARGB32);
    }
    if (parse.rate > 0 && parse.scale > 0)
        out.frameMicroseconds = int(qint64(parse.scale) * 1000000 / parse.rate);
    else
        out.frameMicroseconds = int(parse.microSecPerFrame);
    if (out.frameMicroseconds <= 0)
        out.frameMicroseconds = 100000;
    *movie = out;
    return true;
}

bool loadAviFile(const QString& path, AviMovie* movie, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("无法打开动画文件 %1：%2").arg(path, f.errorString());
        return false;
    }
    QString why;
    if (!loadAvi(f.readAll(), movie, &why)) {
        if (error)
            *error = QStringLiteral("动画文件 %1 无效：%2").arg(path, why);
        return false;
    }
    return true;
}

AviPlayer::AviPlayer(QWidget* parent)
    : QWidget(parent)
{
    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_movie.frames.isEmpty())
            return;
        m_frame = (m_frame + 1) % int(m_movie.frames.size());
        update();
    });
}

bool AviPlayer::open(const QString& path)
{
    stop();
    m_fileName = path;
    m_frame = 0;
    m_error.clear();
    AviMovie movie;
    if (!loadAviFile(path, &movie, &m_error)) {
        m_movie = {};
        update();
        return false;
    }
    m_movie = movie;
    m_timer.setInterval(qMax(1, m_movie.frameMicroseconds / 1000));
    updateGeometry();
    update();
    return true;
}

void AviPlayer::play()
{
    if (!m_movie.frames.isEmpty())
        m_timer.start();
}

void AviPlayer::stop()
{
    m_timer.stop();
}

QSize AviPlayer::sizeHint() const
{
    return m_movie.frames.isEmpty() ? QSize(50, 50) : QSize(m_movie.width, m_movie.height);
}

void AviPlayer::paintEvent(QPaintEvent*)
{
    if (m_movie.frames.isEmpty())
        return;
    QPainter p(this);
    const QImage& img = m_movie.frames[m_frame];
    p.drawImage(QPoint((width() - img.width()) / 2, (height() - img.height()) / 2), img);
}

} // namespace vekupd
