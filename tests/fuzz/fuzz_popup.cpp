// Any bytes as a received datagram, the whole way to the screen: decoded from GBK up to the text
// limit, read as a show datagram, and put into a pop-up whose band and text area are laid out and
// painted (offscreen). What the window shows must be the datagram's own characters.

#include "notices/U_tctz.h"
#include "notices/datagram.h"
#include "platform/windowtitle.h"
#include "vekapplication.h"

#include <QLabel>
#include <QPlainTextEdit>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_popup";
    static char* argv[] = {name, nullptr};
    new vek::VekApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto notice = vek::notices::parseShow(vek::notices::fromGbk(bytes, vek::notices::kTextLimit));
    if (!notice)
        return 0;
    vek::Ttctz popup;
    popup.show(notice->caption, notice->heading, notice->body);
    popup.grab(); // lays out and paints everything the user would see
    if (popup.Panel1->text() != notice->heading || popup.Memo1->toPlainText() != notice->body ||
        vek::platform::nativeWindowTitle(&popup) != notice->caption)
        __builtin_trap();
    popup.hide();
    return 0;
}
