#include "U_bq.h"

#include "db/sqltext.h"
#include "db/vekerror.h"
#include "platform/messagebox.h"
#include "platform/system.h"
#include "shell/U_datamodule.h"
#include "shell/forms.h"
#include "shell/vekapplication.h"
#include "shell/fonts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolTip>

namespace vek {

namespace {

// Read-only information boxes: the tooltip's pale yellow behind blue text.
void markInformation(QLineEdit* box)
{
    box->setReadOnly(true);
    QPalette p = box->palette();
    p.setColor(QPalette::Base, QToolTip::palette().color(QPalette::ToolTipBase));
    p.setColor(QPalette::Text, QColor(0, 102, 204)); // the system's hot-light blue
    box->setPalette(p);
}
} // namespace

TBQ_base::TBQ_base(QWidget* parent)
    : QWidget(parent), qry_xm(&forms::DataModule1->ADOConnection1), qry_qd(&forms::DataModule1->ADOConnection169)
{
}

TBQ_base::~TBQ_base() = default;

void TBQ_base::bind(QLineEdit* gh, QLineEdit* xm, QLineEdit* bm, QLineEdit* dh, QLineEdit* dz, QPlainTextEdit* ms,
                    QPushButton* save, QWidget* afterAddress)
{
    edt_gh = gh;
    edt_xm = xm;
    edt_bm = bm;
    edt_dh = dh;
    edt_dz = dz;
    mm_ms = ms;
    btn_save = save;
    m_afterAddress = afterAddress;
    // The pages share their look: 宋体 12 px on a fixed 652 × 439.
    setFont(songti(12));
    setFixedSize(652, 439);
    markInformation(edt_xm);
    markInformation(edt_bm);
    for (QWidget* w : {static_cast<QWidget*>(edt_gh), static_cast<QWidget*>(edt_dh), static_cast<QWidget*>(edt_dz)})
        w->installEventFilter(this);
    mm_ms->setTabChangesFocus(true);
    btn_save->setAutoDefault(false);
    connect(btn_save, &QPushButton::clicked, this, &TBQ_base::btn_saveClick);
}

bool TBQ_base::isEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

bool TBQ_base::pageKeyPress(QObject*, QKeyEvent*)
{
    return false;
}

bool TBQ_base::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (!isEnter(key))
        return pageKeyPress(watched, key) || QWidget::eventFilter(watched, event);
    if (watched == edt_gh) {
        edt_ghEnter();
        return true;
    }
    if (watched == edt_dh) {
        edt_dz->setFocus();
        return true;
    }
    if (watched == edt_dz) {
        m_afterAddress->setFocus();
        return true;
    }
    return pageKeyPress(watched, key) || QWidget::eventFilter(watched, event);
}

void TBQ_base::edt_ghEnter()
{
    const QString staff = edt_gh->text();
    if (!staff.isEmpty()) {
        try {
            qry_xm.close();
            qry_xm.clear();
            qry_xm.add(QStringLiteral(
                "select name,(select name from table_zd where code= substring(ry.code,1,4)) as bmmc from table_zd ry "));
            qry_xm.add(QStringLiteral(" where rycode = ") + db::sqlLiteral(staff));
            qry_xm.open();
        } catch (const VekError& e) {
            // Left to the application's error box; the focus stays in the staff-number box.
            showDefaultError(e.message());
            return;
        }
        if (qry_xm.recordCount() > 0) {
            edt_xm->setText(qry_xm.asString(QStringLiteral("name")));
            edt_bm->setText(qry_xm.asString(QStringLiteral("bmmc")));
        }
    }
    edt_dh->setFocus();
}

void TBQ_base::btn_saveClick()
{
    if (edt_xm->text().isEmpty() || edt_dh->text().isEmpty() || edt_dz->text().isEmpty() ||
        mm_ms->toPlainText().isEmpty()) {
        platform::tip(QStringLiteral("不能有空记录！"));
        return;
    }
    const QString id = platform::newGuid();
    if (id.isEmpty()) {
        platform::tip(QStringLiteral("创建GUID失败，请重试！"));
        return;
    }
    const rryxx& user = forms::DataModule1->cur_user;
    QStringList columns{QStringLiteral("id"), QStringLiteral("typeid"), QStringLiteral("tel"), QStringLiteral("address")};
    columns << extraColumns();
    columns << QStringLiteral("faultdescription") << QStringLiteral("reportdate") << QStringLiteral("userid")
            << QStringLiteral("isrepaired") << QStringLiteral("username");

    qry_qd.close();
    qry_qd.clear();
    qry_qd.add(QStringLiteral("insert into reportbugs(") + columns.join(QLatin1Char(',')) + QStringLiteral(") values("));
    qry_qd.add(db::sqlLiteral(id) + QLatin1Char(','));
    qry_qd.add(db::sqlLiteral(typeId()) + QLatin1Char(','));
    qry_qd.add(db::sqlLiteral(edt_dh->text()) + QLatin1Char(','));
    qry_qd.add(db::sqlLiteral(edt_dz->text()) + QLatin1Char(','));
    for (const QString& value : extraValues())
        qry_qd.add(db::sqlLiteral(value) + QLatin1Char(','));
    qry_qd.add(db::sqlLiteral(platform::workstationLines(mm_ms->toPlainText())) + QLatin1Char(','));
    qry_qd.add(QStringLiteral("getdate(),"));
    qry_qd.add(db::sqlLiteral(user.cur_yhm) + QLatin1Char(','));
    qry_qd.add(QStringLiteral("0,"));
    qry_qd.add(db::sqlLiteral(user.cur_xm));
    qry_qd.add(QStringLiteral(")"));
    try {
        qry_qd.execute();
    } catch (const VekError&) {
        platform::tip(QStringLiteral("报缺失败！"));
        return;
    }
    platform::tip(QStringLiteral("报缺成功！"));
    edt_xm->clear();
    edt_dh->clear();
    edt_dz->clear();
    mm_ms->clear();
}

} // namespace vek
