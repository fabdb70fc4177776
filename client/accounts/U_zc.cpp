#include "U_zc.h"

#include "accounts/strengthmeter.h"
#include "db/sqltext.h"
#include "db/vekerror.h"
#include "platform/messagebox.h"
#include "shell/U_datamodule.h"
#include "shell/forms.h"
#include "shell/vekapplication.h"
#include "ui_U_zc.h"
#include "shell/fonts.h"

#include <QKeyEvent>
#include <QLocale>

namespace vek {

namespace {
const QString kCaption = QStringLiteral("提示");
constexpr int kWarning = platform::MbOk | platform::MbIconWarning;

} // namespace

Tggkl::Tggkl(QWidget* parent)
    : QWidget(parent), Query1(&forms::DataModule1->ADOConnectionORA), qry_tmp(&forms::DataModule1->ADOConnection1),
      ui(std::make_unique<Ui::Tggkl>())
{
    ui->setupUi(this);
    Label3 = ui->Label3;
    edt_kl = ui->edt_kl;
    edt_xkl = ui->edt_xkl;
    RzMeter1 = ui->RzMeter1;
    btn_zc = ui->btn_zc;
    btn_qx = ui->btn_qx;

    setFont(songti(12));
    setFixedSize(400, 239);
    Label3->setFont(songti(13, true));
    QPalette blue = Label3->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    Label3->setPalette(blue);
    ui->Label2->setFont(songti(12, true));
    QPalette hot = ui->Label2->palette();
    hot.setColor(QPalette::WindowText, QColor(0, 102, 204)); // the system's hot-light colour
    ui->Label2->setPalette(hot);
    RzMeter1->setValue(3);
    ui->Label2->setMeter(RzMeter1);

    // Every character of both passwords shows as "*".
    for (QLineEdit* box : {edt_kl, edt_xkl})
        box->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));

    edt_kl->installEventFilter(this);
    edt_xkl->installEventFilter(this);
    connect(btn_zc, &QPushButton::clicked, this, &Tggkl::btn_zcClick);
    connect(btn_qx, &QPushButton::clicked, this, &Tggkl::btn_qxClick);
}

Tggkl::~Tggkl() = default;

void Tggkl::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

namespace {

// A time format without its time-zone fields ("t"), and without the blank that set them apart: the
// workstations' long time format has none, and the stored time carries no zone to name.
QString withoutTimeZone(const QString& format)
{
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        } else if (!quoted && c == QLatin1Char('t')) {
            while (i + 1 < format.size() && format.at(i + 1) == QLatin1Char('t'))
                ++i;
            if (out.endsWith(QLatin1Char(' ')))
                out.chop(1);
            else
                while (i + 1 < format.size() && format.at(i + 1) == QLatin1Char(' '))
                    ++i;
            continue;
        }
        out += c;
    }
    return out.trimmed();
}

} // namespace

QString Tggkl::dateTimeText(const QDateTime& when, const QLocale& locale)
{
    QString text = locale.toString(when.date(), QLocale::ShortFormat);
    if (when.time().msecsSinceStartOfDay() != 0)
        text += QLatin1Char(' ') + locale.toString(when.time(), withoutTimeZone(locale.timeFormat(QLocale::LongFormat)));
    return text;
}

void Tggkl::FormShow()
{
    const QString user = forms::DataModule1->cur_user.cur_yhm;
    try {
        qry_tmp.close();
        qry_tmp.clear();
        qry_tmp.add(QStringLiteral("select zhxgklsj from tbl_dzb "));
        qry_tmp.add(QStringLiteral(" where vekyhm=") + db::sqlLiteral(user));
        qry_tmp.open();
        if (qry_tmp.recordCount() > 0) {
            const QString when = qry_tmp.asString(QStringLiteral("zhxgklsj"));
            Label3->setText(QStringLiteral("您上次更改口令的时间是：") +
                            (when.isEmpty() ? QString() : dateTimeText(qry_tmp.asDateTime(QStringLiteral("zhxgklsj")))));
        }
    } catch (const VekError& e) {
        showDefaultError(e.message());
    }
    edt_kl->setFocus();
}

void Tggkl::btn_zcClick()
{
    const QString user = forms::DataModule1->cur_user.cur_yhm;
    try {
        Query1.close();
        Query1.clear();
        Query1.add(QStringLiteral("select * from table_zd "));
        Query1.add(QStringLiteral(" where rycode=") + db::sqlLiteral(user));
        Query1.add(QStringLiteral(" and password=") + db::sqlLiteral(edt_kl->text()));
        Query1.open();
    } catch (const VekError& e) {
        showDefaultError(e.message());
        return;
    }
    if (Query1.recordCount() == 0) {
        platform::messageBox(QStringLiteral("用户名口令不正确"), kCaption, kWarning);
        edt_kl->setFocus();
        return;
    }
    Query1.close();
    Query1.clear();
    Query1.add(QStringLiteral("update table_zd "));
    Query1.add(QStringLiteral(" set password=") + db::sqlLiteral(edt_xkl->text()));
    Query1.add(QStringLiteral(" where rycode=") + db::sqlLiteral(user));
    qry_tmp.close();
    qry_tmp.clear();
    qry_tmp.add(QStringLiteral("update tbl_dzb set zhxgklsj=getdate()"));
    qry_tmp.add(QStringLiteral(" where vekyhm=") + db::sqlLiteral(user));
    // Two databases, no common transaction. When the time of the change cannot be recorded, the
    // password already stored is set back, so that "failed" means the old password still holds; should
    // that fail as well, the new password is the one in force and the user is told so.
    try {
        Query1.execute();
    } catch (const VekError&) {
        platform::messageBox(QStringLiteral("更改口令失败！"), kCaption, kWarning);
        return;
    }
    try {
        qry_tmp.execute();
    } catch (const VekError&) {
        bool undone = true;
        try {
            Query1.close();
            Query1.clear();
            Query1.add(QStringLiteral("update table_zd "));
            Query1.add(QStringLiteral(" set password=") + db::sqlLiteral(edt_kl->text()));
            Query1.add(QStringLiteral(" where rycode=") + db::sqlLiteral(user));
            Query1.execute();
        } catch (const VekError&) {
            undone = false;
        }
        if (undone) {
            platform::messageBox(QStringLiteral("更改口令失败！"), kCaption, kWarning);
            return;
        }
    }
    platform::messageBox(QStringLiteral("更改口令成功，请牢记新口令！"), kCaption, kWarning);
}

void Tggkl::btn_qxClick()
{
    edt_kl->clear();
    edt_xkl->clear();
}

bool Tggkl::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == edt_kl)
            return edt_klKeyPress(key);
        if (watched == edt_xkl)
            return edt_xklKeyPress(key);
    }
    return QWidget::eventFilter(watched, event);
}

namespace {
bool isEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}
// A key that types a character into the box: printable text, or Backspace. Delete, cursor keys and
// shortcuts such as Ctrl+V type none.
bool typesCharacter(const QKeyEvent* key)
{
    if (key->key() == Qt::Key_Backspace)
        return true;
    if (key->key() == Qt::Key_Delete || key->text().isEmpty() ||
        (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
        return false;
    return key->text().at(0).isPrint();
}
} // namespace

bool Tggkl::edt_klKeyPress(QKeyEvent* key)
{
    if (!isEnter(key))
        return false;
    edt_xkl->setFocus();
    return true;
}

bool Tggkl::edt_xklKeyPress(QKeyEvent* key)
{
    if (isEnter(key)) {
        btn_zc->setFocus();
        return true;
    }
    if (!typesCharacter(key))
        return false;
    // Let the box take the key first, then rate what it holds.
    static_cast<QObject*>(edt_xkl)->event(key);
    RzMeter1->setValue(passwordStrength(edt_xkl->text()));
    return true;
}

} // namespace vek
