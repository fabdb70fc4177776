#pragma once

#include <QString>

#include <functional>

namespace vekupd {

// Windows message-box flags and results, as the client uses them.
enum : int { MbOk = 0, MbOkCancel = 1, MbIconError = 16, MbIconQuestion = 32, MbIconWarning = 48 };
enum : int { IdOk = 1, IdCancel = 2 };

// Shows a modal message box and returns the Windows result of the button pressed.
int messageBox(const QString& text, const QString& caption, int flags);

// Tests replace the box: the handler records it and returns the answer. An empty handler restores
// the real box. The programs the plant installs never install one.
using BoxHandler = std::function<int(const QString& text, const QString& caption, int flags)>;
void setMessageBoxHandler(BoxHandler handler);

} // namespace vekupd
