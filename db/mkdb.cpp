// vek_mkdb: creates the embedded databases of a plant on one machine.
//   vek_mkdb [--demo] [--replace] [--client <program file>] <folder>

#include "plantdb.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    bool demo = false;
    bool replace = false;
    QString client;
    QString dir;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--demo"))
            demo = true;
        else if (a == QLatin1String("--replace"))
            replace = true;
        else if (a == QLatin1String("--client") && i + 1 < args.size())
            client = args[++i];
        else if (!a.startsWith(QLatin1String("--")) && dir.isEmpty())
            dir = a;
        else
            dir.clear(), args.clear();
    }
    QTextStream err(stderr);
    if (dir.isEmpty()) {
        err << "usage: vek_mkdb [--demo] [--replace] [--client <program file>] <folder>\n";
        return 2;
    }
    const QString error = vekdb::createDatabases(dir, demo, replace, client);
    if (!error.isEmpty()) {
        err << error << '\n';
        return 1;
    }
    return 0;
}
