// The updater's animation player: FIND.AVI as written (RLE8) and its uncompressed twin decode to the
// same frames; damaged files are refused with a reason, never a crash; the player loops.

#include "avi.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace vekupd;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray findAvi() { return readAll(QStringLiteral(VEK_FIND_AVI)); }

void put32(QByteArray& b, qsizetype at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xff);
}

// Replaces the data of the first frame chunk with `frame`, fixing the sizes of the chunks around it.
QByteArray withFirstFrame(QByteArray avi, const QByteArray& frame)
{
    const qsizetype at = avi.indexOf("00dc");
    const qsizetype movi = avi.indexOf("movi");
    if (at < 0 || movi < 0)
        return {};
    const quint32 old = quint32(uchar(avi[at + 4])) | quint32(uchar(avi[at + 5])) << 8 | quint32(uchar(avi[at + 6])) << 16;
    QByteArray padded = frame;
    if (padded.size() & 1)
        padded.append('\0');
    const qsizetype oldPadded = old + (old & 1);
    avi.replace(at + 8, oldPadded, padded);
    put32(avi, at + 4, quint32(frame.size()));
    const qsizetype diff = padded.size() - oldPadded;
    auto adjust = [&](qsizetype sizeAt) {
        const quint32 s = quint32(uchar(avi[sizeAt])) | quint32(uchar(avi[sizeAt + 1])) << 8 |
                          quint32(uchar(avi[sizeAt + 2])) << 16 | quint32(uchar(avi[sizeAt + 3])) << 24;
        put32(avi, sizeAt, quint32(s + diff));
    };
    adjust(4);        // RIFF
    adjust(movi - 4); // LIST movi
    return avi;
}

} // namespace

class TstAvi : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rle8AndUncompressedGiveTheSameFrames()
    {
        QTemporaryDir dir;
        const QString plain = dir.filePath(QStringLiteral("plain.avi"));
        QCOMPARE(QProcess::execute(QStringLiteral(VEK_ARTWORK), {QStringLiteral("--avi-uncompressed"), plain}), 0);

        AviMovie rle, raw;
        QString error;
        QVERIFY2(loadAvi(findAvi(), &rle, &error), qPrintable(error));
        QVERIFY2(loadAviFile(plain, &raw, &error), qPrintable(error));
        QVERIFY(readAll(plain).contains("00db"));
        QVERIFY(findAvi().contains("RLE "));

        QCOMPARE(QSize(rle.width, rle.height), QSize(50, 50));
        QCOMPARE(rle.frames.size(), 16);
        QCOMPARE(rle.frameMicroseconds, 100000);
        QCOMPARE(raw.frames.size(), rle.frames.size());
        for (int i = 0; i < rle.frames.size(); ++i)
            QVERIFY2(rle.frames[i] == raw.frames[i], qPrintable(QStringLiteral("frame %1 differs").arg(i)));

        // An animation: the frames change, the background (palette entry 0) shows through, and the
        // picture itself is opaque.
        QVERIFY(rle.frames[0] != rle.frames[1]);
        const QImage& f = rle.frames[0];
        QCOMPARE(qAlpha(f.pixel(0, 0)), 0);
        int opaque = 0;
        for (int y = 0; y < f.height(); ++y)
            for (int x = 0; x < f.width(); ++x)
                opaque += qAlpha(f.pixel(x, y)) == 255;
        QVERIFY2(opaque > 100 && opaque < 50 * 50, qPrintable(QString::number(opaque)));
    }

    void damagedFilesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("reason");
        const QByteArray avi = findAvi();
        QTest::newRow("empty") << QByteArray() << QStringLiteral("不是 AVI 文件");
        QTest::newRow("not riff") << QByteArray("GIF89a").append(avi.mid(6)) << QStringLiteral("不是 AVI 文件");
        QTest::newRow("cut in the header") << avi.left(100) << QStringLiteral("文件不完整");
        QTest::newRow("cut in the frames") << avi.left(avi.size() / 2) << QStringLiteral("文件不完整");
        QTest::newRow("last byte missing") << avi.left(avi.size() - 1) << QStringLiteral("文件不完整");
        QByteArray bits = avi;
        bits[bits.indexOf("strf") + 8 + 14] = 24;
        QTest::newRow("24-bit colour") << bits << QStringLiteral("24 位");
        QByteArray codec = avi;
        codec[codec.indexOf("strf") + 8 + 16] = 2;
        QTest::newRow("RLE4") << codec << QStringLiteral("压缩方式 2");
        QByteArray noFrames = avi;
        for (qsizetype at = 0; (at = noFrames.indexOf("00dc", at)) >= 0; at += 4)
            noFrames[at + 3] = 'x';
        QTest::newRow("no frames") << noFrames << QStringLiteral("没有画面");
        QTest::newRow("run wider than the picture") << withFirstFrame(avi, QByteArray::fromHex("ff05ff050001"))
                                                    << QStringLiteral("第 1 帧");
        QTest::newRow("absolute run past the data") << withFirstFrame(avi, QByteArray::fromHex("00ff0102"))
                                                    << QStringLiteral("第 1 帧");
        // A palette header size near 4 GiB: the size plus the palette wraps past the bound check.
        QByteArray header = avi;
        put32(header, header.indexOf("strf") + 8, 0xFFFFFF00u);
        put32(header, header.indexOf("strf") + 8 + 32, 64);
        QTest::newRow("palette offset wraps") << header << QStringLiteral("调色板不完整");
        // Every frame is kept decoded: sixteen frames of 4096 × 4096 would take a gigabyte.
        QByteArray huge = avi;
        put32(huge, huge.indexOf("strf") + 8 + 4, 4096);
        put32(huge, huge.indexOf("strf") + 8 + 8, 4096);
        QTest::newRow("frames too large to keep") << huge << QStringLiteral("动画过大");
        QTest::newRow("rows past the bottom") << withFirstFrame(avi, QByteArray(2 * 60, '\0') + QByteArray::fromHex("01050001"))
                                              << QStringLiteral("第 1 帧");
    }
    void damagedFilesAreRefused()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, reason);
        AviMovie movie;
        QString error;
        QVERIFY(!loadAvi(data, &movie, &error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QVERIFY(movie.frames.isEmpty());
    }

    void playerLoopsAtTheFileRate()
    {
        AviPlayer player;
        QVERIFY2(player.open(QStringLiteral(VEK_FIND_AVI)), qPrintable(player.errorString()));
        QCOMPARE(player.frameCount(), 16);
        QCOMPARE(player.intervalMs(), 100);
        QCOMPARE(player.sizeHint(), QSize(50, 50));
        QVERIFY(!player.isPlaying());
        player.play();
        QVERIFY(player.isPlaying());
        // Two turns: the frame number comes back to the start after the last frame.
        int wraps = 0, last = player.currentFrame();
        QVERIFY(QTest::qWaitFor([&] {
            if (player.currentFrame() < last)
                ++wraps;
            last = player.currentFrame();
            return wraps >= 1;
        }, 5000));
        player.stop();
        const int stoppedAt = player.currentFrame();
        QTest::qWait(250);
        QCOMPARE(player.currentFrame(), stoppedAt);
    }

    void playerSaysWhyAFileCannotBePlayed()
    {
        QTemporaryDir dir;
        AviPlayer player;
        const QString missing = dir.filePath(QStringLiteral("FIND.AVI"));
        QVERIFY(!player.open(missing));
        QVERIFY2(player.errorString().contains(missing), qPrintable(player.errorString()));
        player.play();
        QVERIFY(!player.isPlaying());

        QFile f(missing);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(findAvi().left(300));
        f.close();
        QVERIFY(!player.open(missing));
        QVERIFY2(player.errorString().contains(QStringLiteral("文件不完整")), qPrintable(player.errorString()));
        QVERIFY(!player.isOpen());
    }
};

QTEST_MAIN(TstAvi)
#include "tst_avi.moc"
