#pragma once

#include <QLabel>
#include <QPointer>
#include <QWidget>

namespace vek {

// Three light segments side by side on a black ground, filled from the left: lit, green, yellow and
// red; unlit, grey. The value is clamped to 0–3.
class StrengthMeter : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int value READ value WRITE setValue)
public:
    explicit StrengthMeter(QWidget* parent = nullptr);

    int value() const { return m_value; }
    void setValue(int value);

    // The colour segment `index` (0–2) is painted in.
    QColor segmentColor(int index) const;
    // Where segment `index` (0–2) lies, in the meter's coordinates.
    QRect segmentRect(int index) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_value = 3;
};

// The scale under a meter: the words of its text ("弱      中      强"), each centred under its segment
// of the meter, whatever the font's width of the blanks between them.
class StrengthScale : public QLabel {
    Q_OBJECT
public:
    explicit StrengthScale(QWidget* parent = nullptr);
    void setMeter(StrengthMeter* meter);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<StrengthMeter> m_meter;
};

// Strength of a password, 0–4: one, plus one each for a digit, a lowercase and an uppercase ASCII
// letter, minus one when it is shorter than six bytes in GBK (a Chinese character counts two).
int passwordStrength(const QString& password);

} // namespace vek
