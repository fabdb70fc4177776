// The main window's handling of received notices.

#include "U_main.h"

#include "notices/U_tctz.h"
#include "notices/datagram.h"
#include "vekapplication.h"

#include <QApplication>
#include <QDir>
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
        Ttctz* popup = takePopup();
        popup->show(notice->caption, notice->heading, notice->body);
        QTimer::singleShot(0, this, &Tmain::prepareSparePopup);
    } catch (...) {
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
