// Linked only into the test build of P_vekclient: installs the box log before main runs.

#include "boxlog.h"

#include "platform/messagebox.h"

#include <memory>

namespace {

[[maybe_unused]] const bool installed = [] {
    if (auto h = vektest::boxLogFromEnvironment(&vek::platform::defaultAnswer))
        vek::platform::setMessageBoxHandler(std::move(h));
    return true;
}();

} // namespace
