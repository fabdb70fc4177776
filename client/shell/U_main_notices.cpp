// The main window's handling of received notices.

#include "U_main.h"

#include "notices/U_tctz.h"
#include "notices/datagram.h"
#include "notices/receiver.h"
#include "vekapplication.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <mmsystem.h>
#else
#include <QSoundEffect>
#endif
#include <QTimer>

namespace vek {

void Tmain::IdUDPServerUDPRead(const QByteArray& datagram)
{
    // Whatever goes wrong with one datagram is dropped; the next one is handled normally.
    try {
        const auto notice = notices::parseShow(notices::fromGbk(datagram, notices::kTextLimit));
        if (!notice)
            return;
        if (!Timer_tp->isActive())
            Timer_tp->start(); // a second notice does not restart the sequence
        playNoticeSound();
        // The oldest makes room before the new one shows, so the screen never holds more than the bound.
        m_openPopups.removeIf([](const QPointer<Ttctz>& p) { return p.isNull() || !p->isVisible(); });
        while (m_openPopups.size() >= kPopupBound)
            m_openPopups.takeFirst()->dismiss();
        Ttctz* popup = takePopup();
        popup->show(notice->caption, notice->heading, notice->body);
        m_openPopups.append(popup);
        QTimer::singleShot(0, this, &Tmain::prepareSparePopup);
    } catch (...) {
    }
}

QList<Ttctz*> Tmain::openPopups() const
{
    QList<Ttctz*> out;
    for (const QPointer<Ttctz>& p : m_openPopups)
        if (p && p->isVisible())
            out << p.data();
    return out;
}

void Tmain::processWaitingNotices()
{
    QElapsedTimer slice;
    slice.start();
    while (const std::optional<QByteArray> datagram = IdUDPServer->takeNext()) {
        IdUDPServerUDPRead(*datagram);
        if (slice.elapsed() >= 20 && IdUDPServer->waiting() > 0) {
            // More is waiting: the event loop gets its turn first, for as long again as half the
            // slice took, so a flood takes at most two thirds of the user-interface thread.
            QTimer::singleShot(int(slice.elapsed() / 2), this, &Tmain::processWaitingNotices);
            return;
        }
    }
}

Ttctz* Tmain::takePopup()
{
    if (Ttctz* spare = m_sparePopup.data()) {
        m_sparePopup.clear();
        return spare;
    }
    auto* popup = new Ttctz;
    if (VekApplication* app = VekApplication::instance())
        app->own(popup);
    return popup;
}

void Tmain::prepareSparePopup()
{
    if (m_sparePopup)
        return;
    Ttctz* popup = takePopup();
    popup->ensurePolished();
    popup->winId();
    m_sparePopup = popup;
}

void Tmain::playNoticeSound()
{
    ++soundRequests;
    // "Audio.wav" of the current directory; the system's default sound when it is missing.
    const QString file = QDir::current().absoluteFilePath(QStringLiteral("Audio.wav"));
    if (!QFileInfo::exists(file)) {
        QApplication::beep();
        return;
    }
#ifdef Q_OS_WIN
    // The system plays it asynchronously; a file it cannot play gives the default sound.
    ::sndPlaySoundA(QDir::toNativeSeparators(file).toLocal8Bit().constData(), SND_ASYNC);
#else
    if (!m_sound) {
        m_sound = new QSoundEffect(this);
    }
    if (m_sound->source() != QUrl::fromLocalFile(file))
        m_sound->setSource(QUrl::fromLocalFile(file));
    m_sound->play();
#endif
}

} // namespace vek
