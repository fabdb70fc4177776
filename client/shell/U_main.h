#pragma once

#include "db/query.h"

#include <QMainWindow>
#include <QPointer>
#include <QSystemTrayIcon>

#include <functional>
#include <memory>

namespace Ui {
class Tmain;
}
class QAction;
class QLabel;
class QMenu;
class QStackedWidget;
class QTimer;
class QToolButton;
class QSoundEffect;

namespace vek {

class NavBar;
class NavGroup;
class Ttctz;
class Ttzll;
namespace notices {
class NoticeReceiver;
}
namespace platform {
class GlobalHotKey;
class ShowRequestServer;
} // namespace platform

// The main window: navigation bar, title panel, the tab-less page control that hosts the business
// pages, status bar; the tray icon with its flashing, the global hot key and the show request. Closing
// it only hides it; "退出" ends the client after a question. Its creation binds the notice port; its
// destruction clears the user's online address.
class Tmain : public QMainWindow {
    Q_OBJECT
public:
    // Throws VekError with the socket's text when the notice port cannot be bound.
    explicit Tmain(QWidget* parent = nullptr);
    ~Tmain() override;

    // Widgets.
    NavBar* RzGroupBar1;
    NavGroup* RzGroup2; // 业务操作
    NavGroup* RzGroup3; // 信息中心
    NavGroup* RzGroup4; // 缺陷填报
    NavGroup* RzGroup1; // 系统操作
    QLabel* pt_title;
    QStackedWidget* RzPageControl1;
    QWidget* Tabtzll;
    QWidget* Tabfstz;
    QWidget* Tabggkl;
    QWidget* TabBQ_MIS;
    QWidget* TabBQ_WY;
    QWidget* TabBQ_TX;
    QWidget* Tabjxbxq;
    QLabel* StatusBarPanel0;
    QLabel* StatusBarPanel1;

    db::Query Query1; // main catalog: the exit statement
    db::Query qry_qd; // service centre: attendance
    QTimer* Timer_tp = nullptr;
    QTimer* Timer2 = nullptr;
    QTimer* Timer_vercheck = nullptr; // the periodic version check, every ten minutes
    notices::NoticeReceiver* IdUDPServer = nullptr;
    int soundRequests = 0; // how often a notice sound was asked for

    // Tray.
    QSystemTrayIcon* TrayIcon1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* miProperties = nullptr;
    QAction* miclose = nullptr;
    int icon_step = 0;
    bool tray_added = false;
    QString iconName; // the icon shown now: "BIG", "SMAIL" or "NORMAL"

    bool exit_requested = false;

    // Pages, created on first use; an empty pointer means the page does not exist.
    QPointer<Ttzll> tzll;
    QPointer<QWidget> fstz;
    QPointer<QWidget> ggkl;
    QPointer<QWidget> BQ_MIS;
    QPointer<QWidget> BQ_WY;
    QPointer<QWidget> BQ_TX;
    QPointer<QWidget> jxbxq;
    QPointer<QWidget> yhxxpz;

    // Handlers.
    void FormShow();
    void RzGroup2Items0Click(QToolButton* sender); // 通知浏览
    void RzGroup2Items1Click(QToolButton* sender); // 发送通知
    void RzGroup4Items0Click(QToolButton* sender); // MIS 缺陷
    void RzGroup4Items1Click(QToolButton* sender); // 物业缺陷
    void RzGroup4Items2Click(QToolButton* sender); // 通讯缺陷 (hidden)
    void RzGroup4Items3Click(QToolButton* sender); // 检修部消缺 (hidden)
    void RzGroup1Items0Click(QToolButton* sender); // MIS口令更改
    void RzGroup1Items1Click(QToolButton* sender); // 上传软件
    void RzGroup1Items2Click(QToolButton* sender); // 配置信息
    void RzGroup1Items3Click(QToolButton* sender); // 退出
    void Timer2Timer();

    void jz();
    void miPropertiesClick();
    void micloseClick();
    void WMTrayNotify(QSystemTrayIcon::ActivationReason reason);
    void WMShowMain();
    void WMHotKey();
    void Timer_tpTimer();
    // One received datagram: a show datagram pops up a notice, anything else is ignored.
    void IdUDPServerUDPRead(const QByteArray& datagram);
    // Pops up the datagrams the receiver holds, oldest first, in slices of about 20 ms with the event
    // loop running in between, so that a flood never keeps the user's clicks and keys waiting.
    void processWaitingNotices();
    // At most this many pop-ups are open at once; beyond it the oldest is closed and freed as a new
    // notice arrives, so the newest is always on top and a flood cannot exhaust the workstation.
    static constexpr int kPopupBound = 50;
    // The pop-ups open now, oldest first.
    QList<Ttctz*> openPopups() const;

    // What the end of the program does at this workstation, once: releases the hot key, removes the
    // tray icon and clears the user's online address. `quietly` when the window system is gone and
    // nothing may be shown: only the address is cleared, and a failure is not reported.
    void leaveWorkstation(bool quietly);

    // True while a modal window of the client is open over the main window.
    static bool isDisabledByModal();
    // Loads an icon of the executable's resources ("BIG", "SMAIL", "NORMAL", "MAINICON").
    static QIcon loadIcon(const QString& name);

    // Where later pages plug in: a factory per page variable (tests and later pages set them).
    using PageFactory = std::function<QWidget*()>;
    void setPageFactory(QPointer<QWidget>* page, PageFactory factory);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void setUpNavigation();
    void setUpTray();
    void showIcon(const QString& name);
    void ensureListening();
    void playNoticeSound();
    // A pop-up built, polished and given its native window ahead of time, so that a notice only has to
    // fill in its texts and show it; another is prepared once the event loop is idle again.
    Ttctz* takePopup();
    void prepareSparePopup();
    QPointer<Ttctz> m_sparePopup;
    QList<QPointer<Ttctz>> m_openPopups;
    bool m_left = false;
    // Embeds a page on first use and switches to it; returns the page.
    QWidget* embed(QPointer<QWidget>& page, QWidget* tab, const QString& caption, const PageFactory& factory);
    void embedTzll(const QString& caption);
    void destroyPage(QPointer<QWidget>& page);
    PageFactory factoryFor(QPointer<QWidget>* page, const QString& title) const;

    std::unique_ptr<Ui::Tmain> ui;
    std::unique_ptr<platform::GlobalHotKey> m_hotKey;
    QSoundEffect* m_sound = nullptr;
    platform::ShowRequestServer* m_showRequests = nullptr;
    QHash<QPointer<QWidget>*, PageFactory> m_factories;
};

} // namespace vek
