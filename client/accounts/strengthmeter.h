#pragma once

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

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_value = 3;
};

// Strength of a password, 0–4: one, plus one each for a digit, a lowercase and an uppercase ASCII
// letter, minus one when it is shorter than six bytes in GBK (a Chinese character counts two).
int passwordStrength(const QString& password);

} // namespace vek
