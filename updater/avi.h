#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QTimer>
#include <QWidget>

namespace vekupd {

// A RIFF AVI file with one video stream: 8-bit frames, uncompressed (BI_RGB) or RLE8, with their
// palette. Palette entry 0 is the background and is decoded as transparent.
struct AviMovie {
    int width = 0;
    int height = 0;
    int frameMicroseconds = 0; // time per frame
    QList<QImage> frames;      // ARGB32, top row first
};

// Parses and decodes the whole file. On failure returns false and says why in *error.
bool loadAvi(const QByteArray& data, AviMovie* movie, QString* error);
bool loadAviFile(const QString& path, AviMovie* movie, QString* error);

// The wait animation: shows the frames of an AVI file in a loop at the file's frame rate.
class AviPlayer : public QWidget {
    Q_OBJECT
public:
    explicit AviPlayer(QWidget* parent = nullptr);

    // Loads the file; false (and errorString()) when it is missing or cannot be decoded.
    bool open(const QString& path);
    QString fileName() const { return m_fileName; }
    QString errorString() const { return m_error; }
    bool isOpen() const { return !m_movie.frames.isEmpty(); }

    void play(); // from the current frame, looping until stop()
    void stop();
    bool isPlaying() const { return m_timer.isActive(); }
    int currentFrame() const { return m_frame; }
    int frameCount() const { return int(m_movie.frames.size()); }
    int intervalMs() const { return m_timer.interval(); }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    AviMovie m_movie;
    QString m_fileName;
    QString m_error;
    QTimer m_timer;
    int m_frame = 0;
};

} // namespace vekupd
