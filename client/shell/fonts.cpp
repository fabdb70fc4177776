#include "fonts.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QScreen>
#include <QWidget>

namespace vek {

void installFontSubstitutions()
{
    const QStringList families = QFontDatabase::families();
    auto pick = [&](const QStringList& wanted) {
        QStringList found;
        for (const QString& w : wanted)
            if (families.contains(w, Qt::CaseInsensitive))
                found << w;
        return found;
    };
    const QStringList serif = pick({QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC"),
                                    QStringLiteral("AR PL UMing CN"), QStringLiteral("WenQuanYi Zen Hei")});
    const QStringList sans = pick({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Serif CJK SC"),
                                   QStringLiteral("WenQuanYi Zen Hei")});
    if (!serif.isEmpty()) {
        QFont::insertSubstitutions(QStringLiteral("宋体"), serif);
        QFont::insertSubstitutions(QStringLiteral("华文宋体"), serif);
        QFont::insertSubstitutions(QStringLiteral("SimSun"), serif);
    }
    if (!sans.isEmpty())
        QFont::insertSubstitutions(QStringLiteral("隶书"), sans);

    QApplication::setFont(songti(12));
}

QFont songti(int pixels, bool bold)
{
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

void centreOnScreen(QWidget* window)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - QPoint(window->width() / 2, window->height() / 2));
}

} // namespace vek
