#include "platform/sessionend.h"

namespace vek::platform {

void watchSessionEnd(std::function<void()>)
{
}

} // namespace vek::platform
