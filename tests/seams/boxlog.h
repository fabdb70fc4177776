#pragma once

// The box log of the test builds of the programs (tests/bin/P_vekclient, tests/bin/p_vekupd). A process
// test names a file in VEKORA_MESSAGE_LOG: every box is then appended there as one line
// "caption<TAB>flags<TAB>text" (line breaks as \n) and answered with the next entry of
// VEKORA_MESSAGE_ANSWERS (comma-separated Windows results) or the box's first button. Only the test
// builds link this; the programs the plant installs show every box to the person.

#include <QFile>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace vektest {

// A box handler that logs to the file named in the environment, or an empty one when none is named.
inline std::function<int(const QString&, const QString&, int)> boxLogFromEnvironment(std::function<int(int)> firstButton)
{
    const QString path = qEnvironmentVariable("VEKORA_MESSAGE_LOG");
    if (path.isEmpty())
        return {};
    auto answers = std::make_shared<QStringList>(
        qEnvironmentVariable("VEKORA_MESSAGE_ANSWERS").split(QLatin1Char(','), Qt::SkipEmptyParts));
    return [path, answers, firstButton](const QString& text, const QString& caption, int flags) {
        QFile f(path);
        if (f.open(QIODevice::Append | QIODevice::WriteOnly)) {
            QString line = caption + QLatin1Char('\t') + QString::number(flags) + QLatin1Char('\t') + text;
            line.replace(QLatin1Char('\r'), QString()).replace(QLatin1Char('\n'), QStringLiteral("\\n"));
            f.write(line.toUtf8() + '\n');
            f.close();
        }
        return answers->isEmpty() ? firstButton(flags) : answers->takeFirst().trimmed().toInt();
    };
}

} // namespace vektest
