#pragma once

#include <QString>

#include <functional>

namespace vekupd {

// Windows message-box flags and results, as the client uses them.
enum : int { MbOk = 0, MbOkCancel = 1, MbIconError = 16, MbIconQuestion = 32, MbIconWarning = 48 };
enum : int { IdOk = 1, IdCancel = 2 };

// Shows a modal message box and returns the Windows result of the button pressed.
//
// Like the client, a process started by an automated check may name a file in VEKORA_MESSAGE_LOG:
// every box is then appended there as one line "caption<TAB>flags<TAB>text" (line breaks as \n) and
// answered with the next entry of VEKORA_MESSAGE_ANSWERS (comma-separated results) or the first button.
int messageBox(const QString& text, const QString& caption, int flags);

// Tests in the same process replace the box; an empty handler restores it.
using BoxHandler = std::function<int(const QString& text, const QString& caption, int flags)>;
void setMessageBoxHandler(BoxHandler handler);

} // namespace vekupd
