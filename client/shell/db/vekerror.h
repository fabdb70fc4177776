#pragma once

#include <QString>

#include <stdexcept>

namespace vek {

// The one error type of the client: every failure of the data layer (and every other failure that a
// handler may let through to the application's default error box) carries the text to show.
class VekError : public std::runtime_error {
public:
    explicit VekError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const noexcept { return m_message; }

private:
    QString m_message;
};

} // namespace vek
