#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Runs xdotool against a display; the first line of its output goes to `out`.
bool xdotool(const QString& display, const QStringList& args, QString* out = nullptr);

// A virtual X server of the test's own (Xvfb) on a free display; every program on it ends with it.
// `display` stays empty when none could be started (Xvfb or xdotool missing).
struct Xvfb {
    QProcess server;
    QString display;
    explicit Xvfb(const QString& geometry = QStringLiteral("1024x768x24"), int firstDisplay = 140);
    ~Xvfb();
    // The first visible window whose title matches the regular expression `name`, or "".
    QString waitForWindow(const QString& name, int ms = 20000) const;
    // The first visible window of a process running the program file `program`, or "".
    QString waitForWindowOf(const QString& program, int ms = 20000) const;
    // Writes the whole screen to a PNG file.
    bool grab(const QString& pngFile) const;
};
