// Notice datagrams: the receiver's reading of any bytes, and the bytes the senders write.

#include "notices/datagram.h"

#include <QTest>

using namespace vek::notices;

Q_DECLARE_METATYPE(std::optional<ShowNotice>)

class TstDatagram : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("body");
        QTest::newRow("send page") << "show|通知|消息|明天检修" << true << "通知" << "消息" << "    明天检修";
        QTest::newRow("bar in the body") << "show|a|b|c|d||e" << true << "a" << "b" << "    c|d||e";
        QTest::newRow("three separators only") << "show|||" << true << "" << "" << "    ";
        QTest::newRow("one field") << "show|only" << true << "" << "" << "    only";
        QTest::newRow("two fields") << "show|cap|text" << true << "cap" << "" << "    text";
        QTest::newRow("empty") << "" << false << "" << "" << "";
        QTest::newRow("bare verb") << "show" << false << "" << "" << "";
        QTest::newRow("capitals") << "SHOW|a|b|c" << false << "" << "" << "";
        QTest::newRow("update datagram") << "update|sbgl|10231" << false << "" << "" << "";
        QTest::newRow("blank before the verb") << " show|a|b|c" << false << "" << "" << "";
        QTest::newRow("no separators") << "hello world" << false << "" << "" << "";
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(bool, shown);
        QFETCH(QString, caption);
        QFETCH(QString, heading);
        QFETCH(QString, body);
        const auto n = parseShow(text);
        QCOMPARE(n.has_value(), shown);
        if (n) {
            QCOMPARE(n->caption, caption);
            QCOMPARE(n->heading, heading);
            QCOMPARE(n->body, body);
        }
    }

    void senderBytesAreGbk()
    {
        QCOMPARE(showDatagram(QStringLiteral("通知"), QStringLiteral("消息"), QStringLiteral("it's 100%")),
                 QByteArray("show|\xcd\xa8\xd6\xaa|\xcf\xfb\xcf\xa2|it's 100%"));
        QCOMPARE(updateDatagram(QStringLiteral("10231")), QByteArray("update|sbgl|10231"));
        QCOMPARE(fromGbk(showDatagram(QStringLiteral("通知"), QStringLiteral("消息"), QStringLiteral("锅炉"))),
                 QStringLiteral("show|通知|消息|锅炉"));
    }

    // Only the first 1024 bytes are text; a double-byte character cut there is dropped whole.
    void textLimit()
    {
        const QByteArray han = toGbk(QStringLiteral("汉"));
        QCOMPARE(han.size(), 2);
        QByteArray odd = "show|c|h|" + QByteArray(1023 - 9, 'x') + han + han; // a character starts at byte 1023
        QCOMPARE(odd.size(), 1027);
        const QString t = fromGbk(odd, kTextLimit);
        QCOMPARE(t, QStringLiteral("show|c|h|") + QString(1023 - 9, QLatin1Char('x')));
        QByteArray even = "show|c|h|" + QByteArray(1024 - 9 - 2, 'x') + han + han;
        QCOMPARE(fromGbk(even, kTextLimit), QStringLiteral("show|c|h|") + QString(1024 - 11, QLatin1Char('x')) + QStringLiteral("汉"));
        QCOMPARE(fromGbk(QByteArray(2000, 'a'), kTextLimit).size(), 1024);
    }

    void invalidBytesNeverCrash()
    {
        QByteArray junk;
        for (int i = 0; i < 4096; ++i)
            junk.append(char((i * 131 + 7) & 0xff));
        const QString t = fromGbk(junk, kTextLimit);
        QVERIFY(!t.isEmpty());
        parseShow(t);
        QCOMPARE(fromGbk(QByteArray("show|\xff\xff|x"), kTextLimit).left(5), QStringLiteral("show|"));
    }
};

QTEST_GUILESS_MAIN(TstDatagram)
#include "tst_datagram.moc"
