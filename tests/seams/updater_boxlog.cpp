// Linked only into the test build of p_vekupd: installs the box log before main runs.

#include "boxlog.h"

#include "boxes.h"

#include <memory>

namespace {

[[maybe_unused]] const bool installed = [] {
    if (auto h = vektest::boxLogFromEnvironment([](int) { return int(vekupd::IdOk); }))
        vekupd::setMessageBoxHandler(std::move(h));
    return true;
}();

} // namespace
