#include "platform/linux/locale_linux.h"

#include <langinfo.h>
#include <locale.h>

#include <cstring>
#include <ctime>

namespace vintrel::platform::linux_host {
namespace {

class LinuxLocale : public Locale {
public:
    LocaleInfo current() override {
        LocaleInfo info;
        locale_t user = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(nullptr));
        if (user == static_cast<locale_t>(nullptr)) {
            // LANG names a locale that is not installed: the categories that are.
            user = newlocale(LC_NUMERIC_MASK | LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
        }
        if (user == static_cast<locale_t>(nullptr)) return info;
        info.decimalSeparator = decimalSeparatorFrom(nl_langinfo_l(RADIXCHAR, user));
        if (const char* date = nl_langinfo_l(D_FMT, user); date && *date) info.shortDateFormat = date;
        if (const char* time = nl_langinfo_l(T_FMT, user); time && *time) info.timeFormat = time;
        info.amDesignator = nl_langinfo_l(AM_STR, user);
        info.pmDesignator = nl_langinfo_l(PM_STR, user);
        freelocale(user);
        return info;
    }
    LocalTime localTime() override {
        const std::time_t now = std::time(nullptr);
        std::tm t{};
        if (localtime_r(&now, &t) == nullptr) return {};
        return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
    }
};

}  // namespace

char decimalSeparatorFrom(const char* radix) {
    if (radix == nullptr || std::strlen(radix) != 1) return '.';
    return radix[0];
}

std::unique_ptr<Locale> makeLinuxLocale() { return std::make_unique<LinuxLocale>(); }

}  // namespace vintrel::platform::linux_host
