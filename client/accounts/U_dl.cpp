#include "U_dl.h"

#include "ui_U_dl.h"

#include "db/sqltext.h"
#include "db/vekerror.h"
#include "platform/autostart.h"
#include "platform/messagebox.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "shell/U_datamodule.h"
#include "shell/forms.h"
#include "shell/vekapplication.h"
#include "shell/version.h"
#include "shell/fonts.h"

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace vek {

namespace {

const QColor kStrip(166, 196, 232);

// The background drawn by the program when the picture cannot be loaded: the same texts at the same
// places, so the window reads correctly without it.
QPixmap plainBackground()
{
    QPixmap pm(390, 237);
    pm.fill(kStrip);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setFont(songti(20, true));
    p.setPen(QColor(16, 48, 120));
    p.drawText(QRect(80, 18, 220, 36), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("用户登录"));
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(10, 62, 380, 62);
    p.setFont(songti(13, true));
    p.setPen(QColor(16, 48, 120));
    p.drawText(QRect(120, 85, 80, 24), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("用户名"));
    p.drawText(QRect(120, 133, 29, 24), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("密"));
    p.drawText(QRect(165, 133, 30, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("码"));
    for (const auto& [rect, text] : {std::pair{QRect(142, 203, 76, 22), QStringLiteral("登陆")},
                                     std::pair{QRect(251, 203, 76, 22), QStringLiteral("重置")}}) {
        QPainterPath path;
        path.addRoundedRect(QRectF(rect).adjusted(1, 1, -1, -1), 6, 6);
        p.fillPath(path, QColor(40, 100, 190));
        p.setPen(Qt::white);
        p.drawText(rect, Qt::AlignCenter, text);
    }
    return pm;
}

} // namespace

Tdl::Tdl(QWidget* parent)
    : QDialog(parent), qry_tmp(&forms::DataModule1->ADOConnection1), query1(&forms::DataModule1->ADOConnectionORA),
      ui(std::make_unique<Ui::Tdl>())
{
    ui->setupUi(this);
    edt_yhm = ui->edt_yhm;
    edt_kl = ui->edt_kl;
    cb_cookie = ui->cb_cookie;
    btn_dl = ui->btn_dl;
    btn_qx = ui->btn_qx;
    Label1 = ui->Label1;
    edt_ip = ui->edt_ip;
    Image1 = ui->Image1;
    setUpLook();

    connect(btn_dl, &QPushButton::clicked, this, &Tdl::btn_dlClick);
    connect(btn_qx, &QPushButton::clicked, this, &Tdl::btn_qxClick);
    for (QObject* o : {static_cast<QObject*>(edt_yhm), static_cast<QObject*>(edt_kl), static_cast<QObject*>(Label1),
                       static_cast<QObject*>(edt_ip)})
        o->installEventFilter(this);
}

Tdl::~Tdl() = default;

void Tdl::setUpLook()
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(391, 237);
    centreOnScreen(this);
    setFont(songti(12));

    QPixmap picture(QStringLiteral(":/vekora/login.jpg"));
    Image1->setPixmap(picture.isNull() ? plainBackground() : picture);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    for (QWidget* strip : {ui->Panel1, ui->Panel2, ui->Panel3, ui->Panel4}) {
        QPalette pal = strip->palette();
        pal.setColor(QPalette::Window, kStrip);
        strip->setPalette(pal);
    }
    QFont cbFont(QStringLiteral("华文宋体"));
    cbFont.setPixelSize(13);
    cbFont.setBold(true);
    cb_cookie->setFont(cbFont);
    QPalette cbPal = cb_cookie->palette();
    cbPal.setColor(QPalette::Window, kStrip);
    cbPal.setColor(QPalette::WindowText, QColor(13, 73, 133));
    cb_cookie->setPalette(cbPal);
    // The style fills a check box with its own window colour whatever the palette says; a style sheet
    // is what keeps the strips' blue behind the box and its caption.
    cb_cookie->setStyleSheet(QStringLiteral("QCheckBox { background-color: rgb(166, 196, 232); color: rgb(13, 73, 133); }"));
    cb_cookie->setChecked(false);

    // Every character of the password shows as "#".
    edt_kl->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 35; }"));
    // The flat buttons lie over the picture's button faces: no caption, no frame, no focus.
    for (QPushButton* b : {btn_dl, btn_qx})
        b->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; }"
                                        "QPushButton:hover { border: 1px solid rgba(255,255,255,160); border-radius: 6px; }"
                                        "QPushButton:pressed { background: rgba(0,0,0,40); border-radius: 6px; }"));
    Label1->setStyleSheet(QStringLiteral("background: transparent;"));
    edt_ip->setVisible(false);
    Image1->lower();
    edt_yhm->setFocus();
}

bool Tdl::isShiftAccount(const QString& name)
{
    static const QStringList accounts = {QStringLiteral("KPTA1"), QStringLiteral("KPTA2"), QStringLiteral("KPRB3"),
                                         QStringLiteral("KPRB4"), QStringLiteral("KPRB5"), QStringLiteral("KPWC1"),
                                         QStringLiteral("KPWC3"), QStringLiteral("MFKP"),  QStringLiteral("DGKP"),
                                         QStringLiteral("SNKP")};
    return accounts.contains(name, Qt::CaseSensitive);
}

void Tdl::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void Tdl::FormShow()
{
    TDataModule1& dm = *forms::DataModule1;
    try {
        if (!dm.ADOConnectionORA.isOpen())
            dm.ADOConnectionORA.open();
        if (!dm.ADOConnection1.isOpen())
            dm.ADOConnection1.open();
    } catch (const VekError& e) {
        showDefaultError(e.message());
        return;
    }

    QStringList trace;
    trace << QStringLiteral("B reg :=Tregistry.Create;");
    readRegistry(trace);
    QFile log(QStringLiteral("log.txt"));
    if (log.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        for (const QString& line : trace)
            log.write(line.toUtf8() + "\r\n");
    }

    try {
        checkBoundWorkstation();
    } catch (const VekError& e) {
        showDefaultError(e.message());
    }
    edt_yhm->setFocus();
}

void Tdl::readRegistry(QStringList& trace)
{
    namespace reg = platform::registry;
    const QString key = QString::fromLatin1(RegistryKey);
    if (!reg::keyExists(key))
        return;
    trace << QStringLiteral("E reg.OpenKey");
    // A missing or non-DWORD remember flag ends the read here, silently; so does a remembered value of
    // the wrong type.
    const auto flag = reg::read(key, QStringLiteral("sfzddl"));
    if (!flag || flag->kind != reg::Kind::Dword)
        return;
    if (flag->dword != 0) {
        const auto yhm = reg::read(key, QStringLiteral("yhm"));
        if (yhm && yhm->kind != reg::Kind::String)
            return;
        edt_yhm->setText(yhm ? yhm->text : QString());
        const auto kl = reg::read(key, QStringLiteral("kl"));
        if (kl && kl->kind != reg::Kind::String)
            return;
        edt_kl->setText(kl ? kl->text : QString());
        cb_cookie->setChecked(true);
    }
    trace << QStringLiteral("E sfzddl");
}

void Tdl::checkBoundWorkstation()
{
    const QString address = platform::localIPv4Address();
    qry_tmp.close();
    qry_tmp.clear();
    qry_tmp.add(QStringLiteral("select * from tbl_sys "));
    qry_tmp.add(QStringLiteral("where sfbdip='是' "));
    qry_tmp.add(QStringLiteral("and ip=") + db::sqlLiteral(address));
    qry_tmp.open();
    if (qry_tmp.isEmpty())
        return;
    // A bound workstation reaches the main window without a login: the current-user record stays
    // empty, nothing is written, no version check runs.
    QTimer::singleShot(0, this, [this] { done(BoundWorkstation); });
}

void Tdl::keyPressEvent(QKeyEvent* event)
{
    // No cancel button: only the close box ends the dialog without a login.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool Tdl::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (watched == edt_yhm) {
                edt_kl->setFocus();
                return true;
            }
            if (watched == edt_kl) {
                btn_dlClick();
                return true;
            }
        }
    } else if (event->type() == QEvent::MouseButtonPress && watched == Label1) {
        Label1Click();
        return true;
    } else if (event->type() == QEvent::MouseButtonDblClick && watched == edt_ip) {
        edt_ipDblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void Tdl::btn_qxClick()
{
    edt_yhm->clear();
    edt_kl->clear();
}

void Tdl::Label1Click()
{
    const auto ip = platform::registry::read(QString::fromLatin1(RegistryKey), QStringLiteral("ip"));
    edt_ip->setText(ip && ip->kind == platform::registry::Kind::String ? ip->text : QString());
    edt_ip->setVisible(true);
}

void Tdl::edt_ipDblClick()
{
    platform::registry::writeString(QString::fromLatin1(RegistryKey), QStringLiteral("ip"), edt_ip->text());
    edt_ip->setVisible(false);
}

void Tdl::rememberLogin()
{
    namespace reg = platform::registry;
    const QString key = QString::fromLatin1(RegistryKey);
    const QString server = forms::DataModule1->settings().server;
    if (cb_cookie->isChecked()) {
        reg::writeDword(key, QStringLiteral("sfzddl"), 1);
        reg::writeString(key, QStringLiteral("yhm"), edt_yhm->text());
        reg::writeString(key, QStringLiteral("kl"), edt_kl->text());
    }
    reg::writeString(key, QStringLiteral("ip"), server);
    platform::setAutostart(QCoreApplication::applicationFilePath());
}

void Tdl::btn_dlClick()
{
    TDataModule1& dm = *forms::DataModule1;
    const QString name = edt_yhm->text();
    const QString password = edt_kl->text();
    try {
        const bool shift = isShiftAccount(name);
        db::Query& q = shift ? qry_tmp : query1;
        q.close();
        q.clear();
        if (shift) {
            q.add(QStringLiteral("select * from tbl_jxry"));
            q.add(QStringLiteral(" where code=") + db::sqlLiteral(name));
        } else {
            q.add(QStringLiteral("select * from table_zd"));
            q.add(QStringLiteral(" where rycode=") + db::sqlLiteral(name));
        }
        q.add(QStringLiteral(" and password=") + db::sqlLiteral(password));
        q.open();
        const int found = q.recordCount();
        const QString code = q.asString(QStringLiteral("code"));
        const QString xm = q.asString(QStringLiteral("name"));
        if (found == 0) {
            platform::tip(QStringLiteral("用户名或者口令不正确，请确认"));
            edt_yhm->setFocus();
            return;
        }

        rememberLogin();

        const QString address = platform::localIPv4Address();
        dm.cur_user.cur_ip = address;
        dm.cur_user.cur_yhm = name;
        dm.cur_user.cur_kl = password;
        dm.cur_user.cur_xm = xm;
        dm.cur_user.cur_code = code;

        // Whoever was online at this workstation is no longer; this user is.
        qry_tmp.close();
        qry_tmp.clear();
        qry_tmp.add(QStringLiteral("update tbl_dzb set zxip=''"));
        qry_tmp.add(QStringLiteral(" where zxip=") + db::sqlLiteral(address));
        qry_tmp.execute();
        qry_tmp.clear();
        qry_tmp.add(QStringLiteral("update tbl_dzb set zxip=") + db::sqlLiteral(address));
        qry_tmp.add(QStringLiteral(" where vekyhm=") + db::sqlLiteral(dm.cur_user.cur_yhm));
        qry_tmp.execute();

        if (dm.checksoftver() && upgradeHandover(dm))
            return;
        accept();
    } catch (const VekError& e) {
        showDefaultError(e.message());
    }
}

} // namespace vek
