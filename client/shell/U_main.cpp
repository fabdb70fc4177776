#include "U_main.h"

#include "ui_U_main.h"

#include "U_datamodule.h"
#include "db/sqltext.h"
#include "db/vekerror.h"
#include "forms.h"
#include "navbar.h"
#include "U_sjts.h"
#include "accounts/U_yhxxpz.h"
#include "defects/U_bq_TX.h"
#include "defects/U_bq_WY.h"
#include "defects/U_bq_mis.h"
#include "defects/U_jxbxq.h"
#include "defects/attendance.h"
#include "accounts/U_zc.h"
#include "notices/U_fstz.h"
#include "notices/U_tzll.h"
#include "notices/receiver.h"
#include "platform/hotkey.h"
#include "platform/messagebox.h"
#include "platform/showrequest.h"
#include "vekapplication.h"
#include "fonts.h"

#include <QCloseEvent>
#include <QDate>
#include <QDialog>
#include <QHostAddress>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace vek {

Tmain::Tmain(QWidget* parent)
    : QMainWindow(parent), Query1(&forms::DataModule1->ADOConnection1), qry_qd(&forms::DataModule1->ADOConnection169),
      ui(std::make_unique<Ui::Tmain>())
{
    ui->setupUi(this);
    RzGroupBar1 = ui->RzGroupBar1;
    pt_title = ui->pt_title;
    RzPageControl1 = ui->RzPageControl1;
    Tabtzll = ui->Tabtzll;
    Tabfstz = ui->Tabfstz;
    Tabggkl = ui->Tabggkl;
    TabBQ_MIS = ui->TabBQ_MIS;
    TabBQ_WY = ui->TabBQ_WY;
    TabBQ_TX = ui->TabBQ_TX;
    Tabjxbxq = ui->Tabjxbxq;

    setFont(songti(12));
    QFont tf(QStringLiteral("隶书"));
    tf.setPixelSize(35);
    tf.setBold(true);
    tf.setItalic(true);
    pt_title->setFont(tf);
    QPalette tp = pt_title->palette();
    tp.setColor(QPalette::Window, QColor(192, 220, 192));
    tp.setColor(QPalette::WindowText, QColor(128, 0, 128));
    pt_title->setPalette(tp);

    StatusBarPanel0 = new QLabel(this);
    StatusBarPanel0->setObjectName(QStringLiteral("StatusBar1Panel0"));
    StatusBarPanel0->setFixedWidth(120);
    StatusBarPanel0->setTextFormat(Qt::PlainText); // the user's name as the directory holds it
    StatusBarPanel1 = new QLabel(this);
    StatusBarPanel1->setObjectName(QStringLiteral("StatusBar1Panel1"));
    StatusBarPanel1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    StatusBarPanel1->setTextFormat(Qt::PlainText);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(StatusBarPanel0);
    statusBar()->addWidget(StatusBarPanel1, 1);

    setUpNavigation();
    centreOnScreen(this);
    setPageFactory(&fstz, [] { return new Tfstz; });
    setPageFactory(&ggkl, [] { return new Tggkl; });
    setPageFactory(&yhxxpz, [this] { return new Tyhxxpz(this); });
    setPageFactory(&BQ_MIS, [] { return new TBQ_MIS; });
    setPageFactory(&BQ_WY, [] { return new TBQ_WY; });
    setPageFactory(&BQ_TX, [] { return new TBQ_TX; });
    setPageFactory(&jxbxq, [] { return new Tjxbxq; });
    // The browser's "设备管理消缺": a new form each time, modal, kept until the end.
    Ttzll::openElimination = [](const QString& flawCode) {
        auto* form = new Tjxbxq;
        if (VekApplication* app = VekApplication::instance())
            app->own(form);
        form->flaw_code = flawCode;
        form->exec();
    };

    // The notice port is held from the window's creation, before the login. A second bind fails
    // (never ShareAddress: another program must not silently take the datagrams).
    IdUDPServer = new notices::NoticeReceiver(this);
    if (!IdUDPServer->listen(forms::DataModule1->settings().port))
        throw VekError(IdUDPServer->errorString());
    connect(IdUDPServer, &notices::NoticeReceiver::datagramsWaiting, this, &Tmain::processWaitingNotices);

    Timer_tp = new QTimer(this);
    Timer_tp->setInterval(800);
    connect(Timer_tp, &QTimer::timeout, this, &Tmain::Timer_tpTimer);
    Timer2 = new QTimer(this);
    Timer2->setInterval(10000);
    connect(Timer2, &QTimer::timeout, this, &Tmain::Timer2Timer);
    Timer2->start();
    // The version check runs from the window's creation, before the login, whether shown or not.
    Timer_vercheck = new QTimer(this);
    Timer_vercheck->setInterval(600000);
    connect(Timer_vercheck, &QTimer::timeout, this, [] { Timer_vercheckTimer(); });
    Timer_vercheck->start();

    setUpTray();

    m_hotKey = platform::createGlobalHotKey(this);
    connect(m_hotKey.get(), &platform::GlobalHotKey::activated, this, &Tmain::WMHotKey);
    m_hotKey->registerCtrlAlt('B'); // a combination held by another program is ignored silently

    m_showRequests = new platform::ShowRequestServer(this);
    connect(m_showRequests, &platform::ShowRequestServer::showRequested, this, &Tmain::WMShowMain);
    m_showRequests->listen();
}

Tmain::~Tmain()
{
    Ttzll::openElimination = nullptr;
    leaveWorkstation(false);
}

void Tmain::leaveWorkstation(bool quietly)
{
    if (m_left)
        return;
    m_left = true;
    if (!quietly) {
        m_hotKey->unregister();
        if (TrayIcon1)
            TrayIcon1->hide();
    }
    // The upgrade hand-over ends the client at once: its connections are closed and the online address
    // stays set until the new client's login.
    if (VekApplication* app = VekApplication::instance(); app && app->upgrading())
        return;
    // The user is no longer online at this workstation.
    try {
        Query1.close();
        Query1.clear();
        Query1.add(QStringLiteral("update tbl_dzb set zxip='' "));
        Query1.add(QStringLiteral(" where vekyhm=") + db::sqlLiteral(forms::DataModule1->cur_user.cur_yhm));
        Query1.execute();
    } catch (const VekError& e) {
        if (!quietly)
            showDefaultError(e.message());
    }
}

void Tmain::setUpNavigation()
{
    RzGroup2 = RzGroupBar1->addGroup(QStringLiteral("RzGroup2"), QStringLiteral("业务操作"),
                                     {QStringLiteral("通知浏览"), QStringLiteral("发送通知")});
    RzGroup3 = RzGroupBar1->addGroup(QStringLiteral("RzGroup3"), QStringLiteral("信息中心"),
                                     {QStringLiteral("上午签到"), QStringLiteral("下午签到")});
    RzGroup4 = RzGroupBar1->addGroup(QStringLiteral("RzGroup4"), QStringLiteral("缺陷填报"),
                                     {QStringLiteral("MIS 缺陷"), QStringLiteral("物业缺陷"), QStringLiteral("通讯缺陷"),
                                      QStringLiteral("检修部消缺")});
    RzGroup1 = RzGroupBar1->addGroup(QStringLiteral("RzGroup1"), QStringLiteral("系统操作"),
                                     {QStringLiteral("MIS口令更改"), QStringLiteral("上传软件"), QStringLiteral("配置信息"),
                                      QStringLiteral("退出")});
    RzGroup3->setVisible(false);
    RzGroup4->item(2)->setVisible(false);
    RzGroup4->item(3)->setVisible(false);

    auto wire = [this](NavGroup* g, int i, void (Tmain::*handler)(QToolButton*)) {
        QToolButton* b = g->item(i);
        connect(b, &QToolButton::clicked, this, [this, b, handler] { (this->*handler)(b); });
    };
    connect(RzGroup3->item(0), &QToolButton::clicked, this, [this] { attendanceMorning(qry_qd); });
    connect(RzGroup3->item(1), &QToolButton::clicked, this, [this] { attendanceAfternoon(qry_qd); });
    wire(RzGroup2, 0, &Tmain::RzGroup2Items0Click);
    wire(RzGroup2, 1, &Tmain::RzGroup2Items1Click);
    wire(RzGroup4, 0, &Tmain::RzGroup4Items0Click);
    wire(RzGroup4, 1, &Tmain::RzGroup4Items1Click);
    wire(RzGroup4, 2, &Tmain::RzGroup4Items2Click);
    wire(RzGroup4, 3, &Tmain::RzGroup4Items3Click);
    wire(RzGroup1, 0, &Tmain::RzGroup1Items0Click);
    wire(RzGroup1, 1, &Tmain::RzGroup1Items1Click);
    wire(RzGroup1, 2, &Tmain::RzGroup1Items2Click);
    wire(RzGroup1, 3, &Tmain::RzGroup1Items3Click);
}

void Tmain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
        QTimer::singleShot(0, this, &Tmain::prepareSparePopup);
    }
}

void Tmain::ensureListening()
{
    if (!IdUDPServer->isListening())
        IdUDPServer->listen(forms::DataModule1->settings().port);
}

void Tmain::FormShow()
{
    ensureListening();
    tray_added = true;
    if (isMinimized())
        showNormal();
    pt_title->setText(QStringLiteral("通知浏览"));
    try {
        if (!tzll)
            embedTzll(QStringLiteral("通知浏览"));
        tzll->setDefaultListing();
        tzll->openListing();
    } catch (const VekError& e) {
        // The rest of the show is skipped; the window is shown all the same.
        RzPageControl1->setCurrentIndex(0);
        showDefaultError(e.message());
        return;
    }
    const rryxx& user = forms::DataModule1->cur_user;
    if (user.cur_code.left(6) == QLatin1String("408302"))
        RzGroup3->setVisible(true);
    StatusBarPanel0->setText(QStringLiteral("用户：") + user.cur_xm);
    Timer2Timer();
    RzPageControl1->setCurrentIndex(0);
}

void Tmain::Timer2Timer()
{
    StatusBarPanel1->setText(QStringLiteral("当前日期：") + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) +
                             QStringLiteral("    "));
}

// --- pages ---------------------------------------------------------------------------------------

void Tmain::setPageFactory(QPointer<QWidget>* page, PageFactory factory)
{
    m_factories.insert(page, std::move(factory));
}

Tmain::PageFactory Tmain::factoryFor(QPointer<QWidget>* page, const QString& title) const
{
    if (auto it = m_factories.find(page); it != m_factories.end())
        return it.value();
    // A page whose form has not been built yet: an empty page with its title.
    return [title] {
        auto* w = new QWidget;
        w->setWindowTitle(title);
        return w;
    };
}

QWidget* Tmain::embed(QPointer<QWidget>& page, QWidget* tab, const QString& caption, const PageFactory& factory)
{
    pt_title->setText(caption);
    if (!page) {
        QWidget* w = factory();
        if (VekApplication* app = VekApplication::instance())
            app->own(w);
        w->setParent(tab);
        w->setWindowFlags(Qt::Widget);
        tab->layout()->addWidget(w);
        w->setVisible(true);
        page = w;
    }
    RzPageControl1->setCurrentWidget(tab);
    return page;
}

void Tmain::embedTzll(const QString& caption)
{
    pt_title->setText(caption);
    if (!tzll) {
        auto* w = new Ttzll(Tabtzll);
        if (VekApplication* app = VekApplication::instance())
            app->own(w);
        Tabtzll->layout()->addWidget(w);
        tzll = w;
        RzPageControl1->setCurrentWidget(Tabtzll);
        w->setVisible(true);
    }
    RzPageControl1->setCurrentWidget(Tabtzll);
}

void Tmain::destroyPage(QPointer<QWidget>& page)
{
    if (!page)
        return;
    page->close();
    delete page.data();
    page = nullptr;
}

void Tmain::RzGroup2Items0Click(QToolButton* sender)
{
    embedTzll(sender->text());
    tzll->Button3Click();
}

void Tmain::RzGroup2Items1Click(QToolButton* sender)
{
    embed(fstz, Tabfstz, sender->text(), factoryFor(&fstz, QStringLiteral("发送通知")));
}

void Tmain::RzGroup4Items0Click(QToolButton* sender)
{
    embed(BQ_MIS, TabBQ_MIS, sender->text(), factoryFor(&BQ_MIS, QStringLiteral("MIS缺陷填报")));
}

void Tmain::RzGroup4Items1Click(QToolButton* sender)
{
    embed(BQ_WY, TabBQ_WY, sender->text(), factoryFor(&BQ_WY, QStringLiteral("物业缺陷填报")));
}

void Tmain::RzGroup4Items2Click(QToolButton* sender)
{
    embed(BQ_TX, TabBQ_TX, sender->text(), factoryFor(&BQ_TX, QStringLiteral("通讯缺陷填报")));
}

void Tmain::RzGroup4Items3Click(QToolButton* sender)
{
    embed(jxbxq, Tabjxbxq, sender->text(), factoryFor(&jxbxq, QStringLiteral("检修部已消除缺陷填报")));
}

void Tmain::RzGroup1Items0Click(QToolButton* sender)
{
    embed(ggkl, Tabggkl, sender->text(), factoryFor(&ggkl, QStringLiteral("更改口令")));
}

void Tmain::RzGroup1Items1Click(QToolButton*)
{
    platform::tip(QStringLiteral("该业务只能要服务器端执行"));
}

void Tmain::RzGroup1Items2Click(QToolButton*)
{
    const TDataModule1& dm = *forms::DataModule1;
    if (!dm.settings().admins.contains(dm.cur_user.cur_yhm) || dm.cur_user.cur_yhm.isEmpty()) {
        platform::tip(QStringLiteral("系统管理员专用功能！"));
        return;
    }
    const PageFactory factory = factoryFor(&yhxxpz, QStringLiteral("用户信息配置"));
    QWidget* w = factory();
    auto* dialog = qobject_cast<QDialog*>(w);
    if (!dialog) {
        dialog = new QDialog(this);
        dialog->setWindowTitle(QStringLiteral("用户信息配置"));
        dialog->resize(482, 444);
        delete w;
    }
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    yhxxpz = dialog;
    dialog->exec();
}

void Tmain::RzGroup1Items3Click(QToolButton*)
{
    exit_requested = true;
    close();
}

void Tmain::closeEvent(QCloseEvent* event)
{
    if (exit_requested) {
        exit_requested = false;
        if (platform::messageBox(QStringLiteral("确认退出吗？"), QStringLiteral("提示"),
                                 platform::MbYesNo | platform::MbIconQuestion) == platform::IdYes) {
            event->accept();
            if (VekApplication* app = VekApplication::instance())
                app->requestEnd(0);
            else
                QCoreApplication::exit(0);
        } else {
            event->ignore();
        }
        return;
    }
    // A plain close hides the window and frees the send page, the browser and the password page.
    hide();
    destroyPage(fstz);
    if (tzll) {
        tzll->close();
        delete tzll.data();
        tzll = nullptr;
    }
    destroyPage(ggkl);
    event->ignore();
}

} // namespace vek
