// The updater's window by keyboard: Enter on a focused button presses it, as Space does. The updater
// links no client code, so this runs under a plain QApplication.

#include "U_form1.h"
#include "boxes.h"
#include "testworld.h"
#include "ui_U_form1.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace vekupd;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void pointRegistryAt(const TestWorld& w, const QString& database)
{
    writeFile(w.dir() + QStringLiteral("/HKLM.reg"),
              "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\software\\VEK]\n\"ip\"=\"sqlite:" +
                  database.toUtf8() + "\"\n");
}

struct Boxes {
    QStringList seen;
    int answer = IdCancel;
    Boxes()
    {
        setMessageBoxHandler([this](const QString& text, const QString&, int) {
            seen << text;
            return answer;
        });
    }
    ~Boxes() { setMessageBoxHandler({}); }
};

} // namespace

class TstUpdaterKeys : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void enterPressesTheFocusedButton()
    {
        TestWorld w;
        pointRegistryAt(w, w.dir() + QStringLiteral("/missing.sqlite"));
        w.storeSoftware(QStringLiteral("新版本"), QString(), QByteArray("#!/bin/sh\n"));
        QTemporaryDir folder;
        writeFile(folder.filePath(QStringLiteral("FIND.AVI")), readAll(QStringLiteral(VEK_FIND_AVI)));
        writeFile(folder.filePath(QStringLiteral("P_vekclient")), "#!/bin/sh\n# the old client\n");
        Boxes boxes;
        TForm1 f(folder.path());
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        QVERIFY(!f.ui->sjButton->isEnabled());
        boxes.seen.clear();

        // "连接(&L)" by Enter, once the registry names the database.
        pointRegistryAt(w, w.dbFile(QStringLiteral("vek")));
        f.ui->ljButton->setFocus();
        QTest::keyClick(f.ui->ljButton, Qt::Key_Return);
        QVERIFY(f.ui->sjButton->isEnabled());
        QCOMPARE(f.ui->lb_ts->text(), QStringLiteral("新版本"));

        // "升级(&Y)" by the keypad's Enter asks first; Cancel leaves the client as it was.
        f.ui->sjButton->setFocus();
        QTest::keyClick(f.ui->sjButton, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(boxes.seen, QStringList{QStringLiteral("升级前请确认关闭客户端应用程序，确定升级吗！")});
        QCOMPARE(readAll(folder.filePath(QStringLiteral("P_vekclient"))), QByteArray("#!/bin/sh\n# the old client\n"));

        // "取消(&X)" by Enter closes the window.
        f.ui->Button2->setFocus();
        QTest::keyClick(f.ui->Button2, Qt::Key_Return);
        QVERIFY(!f.isVisible());
        QCOMPARE(f.result(), int(QDialog::Rejected));
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TstUpdaterKeys t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_updaterkeys.moc"
