#include "U_jxbxq.h"

#include "db/sqltext.h"
#include "db/vekerror.h"
#include "platform/messagebox.h"
#include "platform/system.h"
#include "shell/U_datamodule.h"
#include "shell/forms.h"
#include "shell/vekapplication.h"
#include "ui_U_jxbxq.h"
#include "shell/fonts.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>

namespace vek {

namespace {

QString literalLine(const QString& value, const QString& end = QStringLiteral(","))
{
    return db::sqlLiteral(value) + end;
}
} // namespace

Tjxbxq::Tjxbxq(QWidget* parent)
    : QDialog(parent), qry_sbgl(&forms::DataModule1->ADOConnectionJXB), qry_jxb(&forms::DataModule1->ADOConnectionJXB),
      qry_ry(&forms::DataModule1->ADOConnection1), Query1(&forms::DataModule1->ADOConnection1),
      qry_tmp(&forms::DataModule1->ADOConnection1), ui(std::make_unique<Ui::Tjxbxq>())
{
    ui->setupUi(this);
    setFont(songti(12));
    setFixedSize(598, 434);
    // A fixed single-border window with system menu and minimise button when shown on its own.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    edt_xqr = ui->edt_xqr;
    edt_xqsm = ui->edt_xqsm;
    RzDBEdit1 = ui->RzDBEdit1;
    RzDBEdit2 = ui->RzDBEdit2;
    RzDBEdit3 = ui->RzDBEdit3;
    RzDBEdit6 = ui->RzDBEdit6;
    RzDBEdit7 = ui->RzDBEdit7;
    RzDBEdit10 = ui->RzDBEdit10;
    RzDBEdit8 = ui->RzDBEdit8;
    RzDBEdit11 = ui->RzDBEdit11;
    RzEdit2 = ui->RzEdit2;
    Button1 = ui->Button1;

    QPalette red = ui->RzGroupBox1->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    ui->RzGroupBox1->setPalette(red);
    QPalette plain = ui->Label0->palette(); // only the caption is red
    plain.setColor(QPalette::WindowText, palette().color(QPalette::WindowText));
    ui->Label0->setPalette(plain);
    for (QLineEdit* box : {RzDBEdit1, RzDBEdit2, RzDBEdit3, RzDBEdit6, RzDBEdit7, RzDBEdit10, RzDBEdit8, RzDBEdit11})
        box->setReadOnly(true);

    edt_xqr->installEventFilter(this);
    connect(Button1, &QPushButton::clicked, this, &Tjxbxq::Button1Click);
}

Tjxbxq::~Tjxbxq() = default;

void Tjxbxq::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

bool Tjxbxq::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == edt_xqr && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            edt_xqsm->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Tjxbxq::FormShow()
{
    const QList<QPair<QLineEdit*, QString>> boxes{
        {RzDBEdit1, QStringLiteral("EQUIP_CODE")},      {RzDBEdit2, QStringLiteral("F_CALL_TIME")},
        {RzDBEdit3, QStringLiteral("F_EQUIP_LEVEL")},   {RzDBEdit6, QStringLiteral("F_DETAIL_EXTEND")},
        {RzDBEdit7, QStringLiteral("F_FIND_MAN")},      {RzDBEdit10, QStringLiteral("F_FIND_TEAM")},
        {RzDBEdit8, QStringLiteral("F_CALL_MAN")},      {RzDBEdit11, QStringLiteral("F_CALL_TEAM")}};
    m_defect = Defect();
    for (const auto& [box, column] : boxes)
        box->clear();
    try {
        qry_sbgl.close();
        qry_sbgl.clear();
        qry_sbgl.add(QStringLiteral("select * from t_equip_flaw "));
        qry_sbgl.add(QStringLiteral(" where f_code = ") + db::sqlLiteral(flaw_code));
        qry_sbgl.add(QStringLiteral(" and f_state=20"));
        qry_sbgl.open();
        if (qry_sbgl.isEmpty()) {
            Button1->setEnabled(false);
            return;
        }
        for (const auto& [box, column] : boxes)
            box->setText(qry_sbgl.asString(column));
        m_defect.equipCode = qry_sbgl.asString(QStringLiteral("EQUIP_CODE"));
        m_defect.callTime = qry_sbgl.asString(QStringLiteral("F_CALL_TIME"));
        m_defect.equipLevel = qry_sbgl.asString(QStringLiteral("F_EQUIP_LEVEL"));
        m_defect.hasSbdm = qry_sbgl.hasField(QStringLiteral("sbdm"));
        if (m_defect.hasSbdm)
            m_defect.sbdm = qry_sbgl.asString(QStringLiteral("sbdm"));
    } catch (const VekError& e) {
        showDefaultError(e.message());
    }
}

void Tjxbxq::Button1Click()
{
    const QString staff = edt_xqr->text();
    const QString note = edt_xqsm->text();
    if (staff.isEmpty() || note.isEmpty()) {
        platform::tip(QStringLiteral("消缺人及消缺说明不能为空！"));
        return;
    }
    try {
        qry_ry.close();
        qry_ry.clear();
        qry_ry.add(QStringLiteral("select code,name,rycode,(select name from table_zd where code = "
                                  "substring(tt.code,1,len(tt.code)-2)) as bz from table_zd tt where rycode = ") +
                   db::sqlLiteral(staff));
        qry_ry.open();
    } catch (const VekError& e) {
        showDefaultError(e.message());
        return;
    }
    if (qry_ry.isEmpty()) {
        platform::tip(QStringLiteral("人员信息不正确！"));
        return;
    }
    if (!closeDefect(qry_ry.asString(QStringLiteral("name")), qry_ry.asString(QStringLiteral("bz"))))
        return;
    if (!m_defect.hasSbdm) {
        platform::tip(QStringLiteral("消缺失败！"));
        return;
    }
    if (!requestAcceptance())
        return;
    platform::tip(QStringLiteral("消缺成功！"));
}

bool Tjxbxq::closeDefect(const QString& eliminator, const QString& team)
{
    qry_jxb.close();
    qry_jxb.clear();
    qry_jxb.add(QStringLiteral("update t_equip_flaw set "));
    qry_jxb.add(QStringLiteral("f_handle_man=") + literalLine(eliminator));
    qry_jxb.add(QStringLiteral("f_handle_detail=") + literalLine(edt_xqsm->text()));
    qry_jxb.add(QStringLiteral("f_handle_time=sysdate,"));
    qry_jxb.add(QStringLiteral("f_state=70,"));
    qry_jxb.add(QStringLiteral("f_handle_result='1',"));
    qry_jxb.add(QStringLiteral("f_handle_team=") + db::sqlLiteral(team));
    qry_jxb.add(QStringLiteral(" where f_code = ") + db::sqlLiteral(flaw_code));
    qry_jxb.add(QStringLiteral(" and f_state=20"));
    try {
        qry_jxb.execute();
    } catch (const VekError&) {
        platform::tip(QStringLiteral("消缺失败！"));
        return false;
    }
    // The defect was closed meanwhile (or by an earlier click): there is nothing to accept.
    if (qry_jxb.rowsAffected() == 0) {
        platform::tip(QStringLiteral("消缺失败！"));
        return false;
    }
    return true;
}

bool Tjxbxq::requestAcceptance()
{
    // The first two characters of the equipment code name the unit; its shift account ends in that
    // number. Anything that goes wrong here leaves the defect closed without a request.
    bool numeric = false;
    const int unit = m_defect.sbdm.left(2).toInt(&numeric, 10);
    if (!numeric)
        return true;
    const QString number = QString::number(unit);

    QString name, login, address;
    try {
        Query1.close();
        Query1.clear();
        Query1.add(QStringLiteral("SELECT * FROM tbl_dzb WHERE (rylb = 'J') AND (SUBSTRING(vekyhm, LEN(vekyhm), 1) = ") +
                   db::sqlLiteral(number) + QStringLiteral(") "));
        Query1.open();
        if (!Query1.isEmpty()) {
            name = Query1.asString(QStringLiteral("name"));
            login = Query1.asString(QStringLiteral("vekyhm"));
            address = Query1.asString(QStringLiteral("zxip"));
        }
    } catch (const VekError&) {
        return true;
    }

    const QString id = platform::newGuid();
    if (id.isEmpty()) {
        platform::tip(QStringLiteral("创建GUID失败，请重试！"));
        return false;
    }

    const rryxx& user = forms::DataModule1->cur_user;
    const QDateTime now = QDateTime::currentDateTime();
    qry_tmp.close();
    qry_tmp.clear();
    qry_tmp.add(QStringLiteral("insert into tbl_main(bh,xt,lx,zt,sdwcsj,nr,fsr,fsrgh,jsr,jsrgh,fsrq,jsrq,sftx) values("));
    qry_tmp.add(literalLine(id));
    qry_tmp.add(QStringLiteral("'消息',"));
    qry_tmp.add(QStringLiteral("'请验收',"));
    qry_tmp.add(literalLine(QStringLiteral("缺陷代码：") + m_defect.equipCode));
    qry_tmp.add(literalLine(now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
    qry_tmp.add(literalLine(m_defect.equipLevel));
    qry_tmp.add(literalLine(user.cur_xm));
    qry_tmp.add(literalLine(user.cur_yhm));
    qry_tmp.add(literalLine(name));
    qry_tmp.add(literalLine(login));
    qry_tmp.add(literalLine(now.toString(QStringLiteral("yyyy-MM-dd"))));
    qry_tmp.add(literalLine(m_defect.callTime));
    qry_tmp.add(QStringLiteral("'否')"));
    try {
        qry_tmp.execute();
    } catch (const VekError&) {
        return true;
    }

    if (!address.isEmpty()) {
        try {
            IdUDPClient.send(address, forms::DataModule1->settings().port,
                             notices::showDatagram(QStringLiteral("消息"), QStringLiteral("缺陷验收"), m_defect.equipLevel));
        } catch (const VekError&) {
            // The notice is stored; the pop-up is lost.
        }
    }
    return true;
}

} // namespace vek
