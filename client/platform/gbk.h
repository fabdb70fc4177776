#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace vek::platform {

// GBK (code page 936), the encoding of datagrams and of the send page's tree files. Linux uses Qt's
// ICU codec; Windows the system's code page 936, since the workstation's Qt carries no ICU.
QByteArray encodeGbk(const QString& text);
// Bytes that are not GBK become U+FFFD. The caller cuts the bytes at a character boundary.
QString decodeGbk(QByteArrayView bytes);

} // namespace vek::platform
