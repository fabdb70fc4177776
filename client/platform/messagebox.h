#pragma once

#include <QString>

#include <functional>

namespace vek::platform {

// Windows message-box flags the client uses and the results it reads.
enum MessageFlags : int {
    MbOk = 0,
    MbOkCancel = 1,
    MbYesNoCancel = 3,
    MbYesNo = 4,
    MbIconError = 16,
    MbIconQuestion = 32,
    MbIconWarning = 48,
    MbIconInformation = 64,
};
enum MessageResult : int { IdOk = 1, IdCancel = 2, IdYes = 6, IdNo = 7 };

// Shows a modal message box and returns the Windows result of the button pressed.
int messageBox(const QString& text, const QString& caption, int flags);

// The client's usual message: captioned "提示", exclamation icon, OK (flags 48).
int tip(const QString& text);

// Tests replace the box: the handler records it and returns the answer. An empty handler restores the
// real box.
using MessageBoxHandler = std::function<int(const QString& text, const QString& caption, int flags)>;
void setMessageBoxHandler(MessageBoxHandler handler);

// The answer a box gives when nobody is asked: the first button (OK or Yes).
int defaultAnswer(int flags);

} // namespace vek::platform
