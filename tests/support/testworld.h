#pragma once

#include "settings.h"

#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

// A temporary world for one test: the four embedded databases built from db/ (schema only, or with the
// demo plant), settings pointing at them, a registry file and a working directory of its own.
class TestWorld {
public:
    explicit TestWorld(bool demo = false);
    ~TestWorld();

    QString dir() const { return m_dir.path(); }
    QString dbFile(const QString& role) const;
    vek::Settings settings() const;
    // Writes vekora.ini into the world and returns its path.
    QString writeIni(const QString& extra = {}) const;

    // Runs an SQL script directly on a database (fixture rows); fails the test on error.
    void sql(const QString& role, const QString& script) const;
    // Reads rows directly from a database, every value as text (null as "<null>").
    QList<QStringList> rows(const QString& role, const QString& select) const;
    QString value(const QString& role, const QString& select) const; // first column of the first row
    // Adds a row to the main catalog's tbl_soft, the program bound as a blob.
    void storeSoftware(const QString& yhts, const QString& diff, const QByteArray& program) const;

private:
    QTemporaryDir m_dir;
    QString m_oldCwd;
};

// Replaces the message box for its lifetime: records every box and answers from a queue (else the
// first button).
class MessageRecorder {
public:
    struct Box {
        QString text;
        QString caption;
        int flags;
    };
    MessageRecorder();
    ~MessageRecorder();
    QList<Box> boxes;
    QList<int> answers;
    QStringList texts() const;
};

// Records every statement as sent, with its connection's name.
class StatementTrace {
public:
    StatementTrace();
    ~StatementTrace();
    QList<QPair<QString, QString>> statements;
    QStringList texts(const QString& connection = {}) const;
};

// The resident memory of this process in KiB (VmRSS of /proc/self/status), 0 when unknown.
long residentKiB();

// The client of this build (build/bin's, or the program file given, e.g. the test build) with its
// version stamp raised from 2.1.2.7 to 2.1.2.8: a newer version.
QByteArray newerClient(const QString& program = {});

// The text of the VekError that `action` throws, or "(no error)" when it throws none.
QString errorOf(const std::function<void()>& action);

class QUdpSocket;
// A UDP port that is free now, for a program started later to bind: below the system's ephemeral range,
// so that sockets bound to port 0 meanwhile by other tests cannot take it.
quint16 freeUdpPort();
// Collects the datagrams arriving at a socket until `expected` have come (or a short wait when none is
// expected, to show that nothing arrives).
QList<QByteArray> receiveDatagrams(QUdpSocket& socket, int expected);

// Fixes the clock behind getdate()/sysdate() for its lifetime.
class ServerClock {
public:
    explicit ServerClock(const QDateTime& now);
    ~ServerClock();
};

class QWidget;
// Types text key by key, as a user does (QTest::keyClicks cannot type Han characters), starting in
// `widget`. "\n" is the Enter key; after it the typing goes on in the widget that has the focus.
void typeText(QWidget* widget, const QString& text);
