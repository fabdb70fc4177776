#include "strengthmeter.h"

#include <QAccessible>
#include <QPainter>

#include "platform/gbk.h"

namespace vek {

StrengthMeter::StrengthMeter(QWidget* parent) : QWidget(parent)
{
    setAccessibleName(QStringLiteral("强度"));
}

void StrengthMeter::setValue(int value)
{
    value = qBound(0, value, 3);
    if (value == m_value)
        return;
    m_value = value;
    setAccessibleDescription(QString::number(m_value));
    update();
}

QColor StrengthMeter::segmentColor(int index) const
{
    static const QColor lit[3] = {QColor(0, 200, 0), QColor(240, 220, 0), QColor(230, 0, 0)};
    return index < m_value ? lit[qBound(0, index, 2)] : QColor(128, 128, 128);
}

QRect StrengthMeter::segmentRect(int index) const
{
    const QRect inner = rect().adjusted(2, 2, -2, -2);
    const int gap = 1;
    const int w = (inner.width() - 2 * gap) / 3;
    const int left = inner.left() + index * (w + gap);
    const int width = index == 2 ? inner.right() + 1 - left : w;
    return {left, inner.top(), width, inner.height()};
}

void StrengthMeter::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    for (int i = 0; i < 3; ++i)
        p.fillRect(segmentRect(i), segmentColor(i));
}

StrengthScale::StrengthScale(QWidget* parent) : QLabel(parent) {}

void StrengthScale::setMeter(StrengthMeter* meter)
{
    m_meter = meter;
    update();
}

void StrengthScale::paintEvent(QPaintEvent* event)
{
    const QStringList words = text().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!m_meter || words.size() != 3) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter p(this);
    p.setFont(font());
    p.setPen(palette().color(QPalette::WindowText));
    for (int i = 0; i < 3; ++i) {
        const QPoint centre = mapFromGlobal(m_meter->mapToGlobal(m_meter->segmentRect(i).center()));
        const int half = p.fontMetrics().horizontalAdvance(words[i]) / 2 + 2;
        p.drawText(QRect(centre.x() - half, 0, 2 * half + 1, height()), Qt::AlignCenter, words[i]);
    }
}

int passwordStrength(const QString& password)
{
    int strength = 1;
    bool digit = false, lower = false, upper = false;
    for (QChar c : password) {
        const char16_t u = c.unicode();
        digit |= u >= '0' && u <= '9';
        lower |= u >= 'a' && u <= 'z';
        upper |= u >= 'A' && u <= 'Z';
    }
    strength += int(digit) + int(lower) + int(upper);
    if (platform::encodeGbk(password).size() < 6)
        --strength;
    return strength;
}

} // namespace vek
