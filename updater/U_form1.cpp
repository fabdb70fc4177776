#include "U_form1.h"

#include "boxes.h"
#include "registry.h"
#include "ui_U_form1.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPushButton>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryFile>
#include <QTimer>
#include <QUrl>
#include <QUuid>

#include <filesystem>
#include <memory>
#include <system_error>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

// The strip picture lives in this library's resources, which a static library must register.
static void initResources() { Q_INIT_RESOURCE(updater); }

namespace vekupd {

namespace {

constexpr int kConnectedHeight = 282;
constexpr int kUnconnectedHeight = 331;

} // namespace

void showError(const QString& text)
{
    messageBox(text, QStringLiteral("软件升级"), MbIconError);
}

bool writeProgramFile(const QString& path, const QByteArray& bytes, QString* error)
{
    const QFileInfo target(path);
    auto tmpFile = std::make_unique<QTemporaryFile>(target.absolutePath() + QLatin1Char('/') + QLatin1Char('.') +
                                                    target.fileName() + QStringLiteral(".XXXXXX"));
    QTemporaryFile& tmp = *tmpFile;
    if (!tmp.open()) {
        *error = QStringLiteral("无法在 %1 中创建临时文件：%2").arg(QDir::toNativeSeparators(target.absolutePath()), tmp.errorString());
        return false;
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 n = tmp.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            *error = QStringLiteral("写入 %1 失败（已写 %2 / %3 字节）：%4")
                         .arg(QDir::toNativeSeparators(tmp.fileName()))
                         .arg(done)
                         .arg(bytes.size())
                         .arg(tmp.errorString());
            return false;
        }
        done += n;
    }
    if (!tmp.flush()) {
        *error = QStringLiteral("写入 %1 失败：%2").arg(QDir::toNativeSeparators(tmp.fileName()), tmp.errorString());
        return false;
    }
    const auto exec = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadUser |
                      QFileDevice::WriteUser | QFileDevice::ExeUser | QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                      QFileDevice::ReadOther | QFileDevice::ExeOther;
    if (!tmp.setPermissions(exec)) {
        *error = QStringLiteral("无法设置 %1 的执行权限：%2").arg(QDir::toNativeSeparators(tmp.fileName()), tmp.errorString());
        return false;
    }
    tmp.close();
#ifdef Q_OS_WIN
    // The C runtime's rename, which std::filesystem::rename uses here, never replaces an existing file;
    // and a temporary file keeps its handle until it is destroyed, while Windows moves no open file.
    const QString tmpName = QDir::toNativeSeparators(tmp.fileName());
    tmp.setAutoRemove(false);
    tmpFile.reset();
    if (!::MoveFileExW(reinterpret_cast<const wchar_t*>(tmpName.utf16()),
                       reinterpret_cast<const wchar_t*>(QDir::toNativeSeparators(path).utf16()),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *error = QStringLiteral("无法替换 %1：%2").arg(QDir::toNativeSeparators(path), qt_error_string(int(::GetLastError())));
        QFile::remove(tmpName);
        return false;
    }
#else
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(tmp.fileName().toStdU16String()), std::filesystem::path(path.toStdU16String()), ec);
    if (ec) {
        *error = QStringLiteral("无法替换 %1：%2").arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(ec.message()));
        return false;
    }
    tmp.setAutoRemove(false);
#endif
    // Temporary files of earlier runs that were ended midway (killed, power lost) are of no use any
    // more: the client they were meant to become is in place now.
    const QDir folder(target.absolutePath());
    const QString leftovers = QLatin1Char('.') + target.fileName() + QStringLiteral(".??????");
    for (const QString& name : folder.entryList({leftovers}, QDir::Files | QDir::Hidden | QDir::System))
        QFile::remove(folder.filePath(name));
    return true;
}

TForm1::TForm1(const QString& folder, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
    , ui(new Ui::TForm1)
    , m_folder(folder)
    , m_connectionName(QStringLiteral("ADOConnection1_") + QUuid::createUuid().toString(QUuid::Id128))
{
    initResources();
    ui->setupUi(this);
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(12);
    setFont(f);
    setAttribute(Qt::WA_DeleteOnClose, false);
    connect(ui->ljButton, &QPushButton::clicked, this, &TForm1::ljButtonClick);
    connect(ui->sjButton, &QPushButton::clicked, this, &TForm1::sjButtonClick);
    connect(ui->Button2, &QPushButton::clicked, this, &QDialog::reject);
    ui->upperArea->installEventFilter(this);
    // Enter on a focused button presses it, as on the workstations (the client does the same).
    for (QPushButton* b : {ui->ljButton, ui->sjButton, ui->Button2})
        b->installEventFilter(this);
    setOuterHeight(kConnectedHeight);

    // The animation plays FIND.AVI of the updater's folder. When it cannot be loaded the error is
    // reported and the window opens unconnected, both buttons enabled.
    QString dir = m_folder;
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    if (!ui->Animate1->open(dir + QStringLiteral("FIND.AVI"))) {
        setOuterHeight(kUnconnectedHeight);
        QTimer::singleShot(0, this, [this] { showError(ui->Animate1->errorString()); });
        return;
    }
    ljButtonClick();
}

TForm1::~TForm1()
{
    disconnectDb();
    delete ui;
}

QString TForm1::clientPath() const
{
#ifdef Q_OS_WIN
    return QDir(m_folder).filePath(QStringLiteral("P_vekclient.exe"));
#else
    return QDir(m_folder).filePath(QStringLiteral("P_vekclient"));
#endif
}

void TForm1::setOuterHeight(int height)
{
    m_outerHeight = height;
    const int frame = isVisible() ? frameGeometry().height() - geometry().height() : 0;
    setFixedSize(381, height - frame);
}

void TForm1::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The frame is known only once the window is shown.
    QTimer::singleShot(0, this, [this] { setOuterHeight(m_outerHeight); });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    // The picture strip runs along the whole left edge of the upper area, however tall it is.
    if (watched == ui->upperArea && event->type() == QEvent::Resize)
        ui->Image1->setGeometry(0, 0, 96, ui->upperArea->height());
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* button = qobject_cast<QPushButton*>(watched);
        if (button && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (!key->isAutoRepeat() && button->isEnabled())
                button->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm1::disconnectDb()
{
    if (QSqlDatabase::contains(m_connectionName)) {
        QSqlDatabase::database(m_connectionName, false).close();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
    m_connected = false;
}

void TForm1::ljButtonClick()
{
    // The key is opened as RegCreateKey does, created when missing. The address always comes from
    // the registry, never from what the box holds.
    createRegistryKey(QStringLiteral("SOFTWARE\\VEK"));
    const QString ip = readRegistryString(QStringLiteral("software\\VEK"), QStringLiteral("ip"));
    ui->ipEdit->setText(ip);

    disconnectDb();
    bool ok = false;
    {
        QSqlDatabase db;
        if (ip.startsWith(QLatin1String("sqlite:"), Qt::CaseInsensitive)) {
            db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
            QUrl url = QUrl::fromLocalFile(QFileInfo(ip.mid(7)).absoluteFilePath());
            url.setQuery(QStringLiteral("mode=rw"));
            db.setDatabaseName(url.toString(QUrl::FullyEncoded));
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        } else {
            db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), m_connectionName);
            db.setDatabaseName(odbcTemplate().replace(QStringLiteral("{ip}"), ip));
            db.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=10"));
        }
        ok = db.open();
    }
    if (!ok) {
        disconnectDb();
        messageBox(QStringLiteral("连接服务器IP地址错误或网络不正常\n请用旧版本软件成功登陆一次"), QStringLiteral("错误"), MbIconError);
        setOuterHeight(kUnconnectedHeight);
        ui->sjButton->setEnabled(false);
        ui->ljButton->setEnabled(true);
        ui->ipEdit->setFocus();
        return;
    }
    m_connected = true;
    setOuterHeight(kConnectedHeight);
    ui->sjButton->setEnabled(true);
    ui->ljButton->setEnabled(false);
    QString yhts, diff;
    bool hasRow = false;
    if (!openQuery(&yhts, &diff, nullptr, &hasRow))
        return;
    ui->lb_ts->setText(yhts);
    ui->Memo2->setPlainText(diff);
}

bool TForm1::openQuery(QString* yhts, QString* diff, QByteArray* soft, bool* hasRow)
{
    QSqlQuery q(QSqlDatabase::database(m_connectionName, false));
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("select * from tbl_soft"))) {
        showError(q.lastError().text());
        return false;
    }
    *hasRow = q.next();
    if (*hasRow) {
        const QSqlRecord r = q.record();
        *yhts = q.value(r.indexOf(QStringLiteral("yhts"))).toString();
        *diff = q.value(r.indexOf(QStringLiteral("diff"))).toString();
        if (soft)
            *soft = q.value(r.indexOf(QStringLiteral("soft"))).toByteArray();
    }
    return true;
}

void TForm1::sjButtonClick()
{
    if (messageBox(QStringLiteral("升级前请确认关闭客户端应用程序，确定升级吗！"), QStringLiteral("提示"), MbOkCancel | MbIconQuestion) != IdOk)
        return;

    ui->waitPanel->show();
    if (!ui->Animate1->isOpen()) {
        showError(ui->Animate1->errorString());
        return;
    }
    ui->Animate1->play();
    ui->waitPanel->repaint();

    QString yhts, diff, error;
    QByteArray soft;
    bool hasRow = false;
    if (!openQuery(&yhts, &diff, &soft, &hasRow))
        return;
    if (!hasRow) {
        finishUpgrade();
        messageBox(QStringLiteral("软件下载异常,请与维护人员联系!"), QStringLiteral("提示"), MbIconWarning);
        reject(); // the program ends once the user has read the message
        return;
    }
    // The stored program replaces the client's file only as a whole: on any failure the old client
    // stays in place and the error is shown; the window stays open for another try or cancel.
    if (!looksLikeProgram(soft, &error) || !writeProgramFile(clientPath(), soft, &error)) {
        ui->Animate1->stop();
        ui->waitPanel->hide();
        showError(QStringLiteral("升级失败，原客户端程序未改动。\n") + error);
        return;
    }
    finishUpgrade();
    messageBox(QStringLiteral("升级成功!"), QStringLiteral("提示"), MbIconWarning);
    // As WinExec starts a program: in the updater's own working folder, not the client's folder.
    QProcess::startDetached(clientPath(), {}, QDir::currentPath());
    reject(); // the program ends
}

void TForm1::finishUpgrade()
{
    // The window goes first, then the wait panel. It is closed only after the last message: a close
    // that ended the program while the box is up would take the box away before anyone read it.
    hide();
    ui->waitPanel->hide();
    ui->Animate1->stop();
}

} // namespace vekupd
