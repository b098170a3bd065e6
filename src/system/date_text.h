#pragma once
// Dates and times written in a strftime-style format of the regional settings, by hand and
// without the C library's locale: %d %e %m %y %Y %H %I %l %M %S %p %T %R %r %D %F %%.
// Anything else is copied as it stands.

#include <string>
#include <string_view>

#include "platform/api/platform.h"

namespace vintrel::system {

std::string formatLocalTime(std::string_view format, const platform::LocalTime& time, std::string_view am,
                            std::string_view pm);

}  // namespace vintrel::system
