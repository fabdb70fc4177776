#pragma once

#include "programcheck.h"

#include <QDialog>
#include <QString>

namespace Ui {
class TForm1;
}

namespace vekupd {

// Writes `bytes` as the program file `path` without ever leaving it half written: the bytes go to a
// temporary file in the same folder, which is made executable and renamed over `path`. On failure the
// temporary file is removed, `path` is untouched and *error says why. On success the temporary files
// that earlier runs ended midway left beside `path` are removed too.
bool writeProgramFile(const QString& path, const QByteArray& bytes, QString* error);


// The updater's window: connects to the main catalog named by the registry value "ip", shows the
// stored prompt and change notes, and on "升级" writes the stored client over the client's file and
// starts it.
class TForm1 : public QDialog {
    Q_OBJECT
public:
    // `folder` holds FIND.AVI and the client's file; the program passes its own folder.
    explicit TForm1(const QString& folder, QWidget* parent = nullptr);
    ~TForm1() override;

    QString clientPath() const;
    bool connected() const { return m_connected; }

    void ljButtonClick(); // connect (again)
    void sjButtonClick(); // upgrade

    Ui::TForm1* ui;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setOuterHeight(int height);
    void disconnectDb();
    bool openQuery(QString* yhts, QString* diff, QByteArray* soft, bool* hasRow);
    void finishUpgrade();

    QString m_folder;
    QString m_connectionName;
    bool m_connected = false;
    int m_outerHeight = 282;
};

// The general error report: the error's own text under the window's title, with the error icon.
void showError(const QString& text);

} // namespace vekupd
