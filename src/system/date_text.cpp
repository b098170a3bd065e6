#include "system/date_text.h"

namespace vintrel::system {
namespace {

void twoDigits(std::string& out, int value, char pad = '0') {
    if (value < 10) {
        out += pad;
        out += static_cast<char>('0' + value);
    } else {
        out += std::to_string(value);
    }
}

int twelveHour(int hour) {
    return hour % 12 == 0 ? 12 : hour % 12;
}

}  // namespace

std::string formatLocalTime(std::string_view format, const platform::LocalTime& t, std::string_view am,
                            std::string_view pm) {
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 >= format.size()) {
            out += format[i];
            continue;
        }
        const char c = format[++i];
        switch (c) {
            case 'd':
                twoDigits(out, t.day);
                break;
            case 'e':
                twoDigits(out, t.day, ' ');
                break;
            case 'm':
                twoDigits(out, t.month);
                break;
            case 'y':
                twoDigits(out, t.year % 100);
                break;
            case 'Y':
                out += std::to_string(t.year);
                break;
            case 'H':
                twoDigits(out, t.hour);
                break;
            case 'I':
                twoDigits(out, twelveHour(t.hour));
                break;
            case 'l':
                twoDigits(out, twelveHour(t.hour), ' ');
                break;
            case 'M':
                twoDigits(out, t.minute);
                break;
            case 'S':
                twoDigits(out, t.second);
                break;
            case 'p':
                out += t.hour < 12 ? am : pm;
                break;
            case 'T':
                out += formatLocalTime("%H:%M:%S", t, am, pm);
                break;
            case 'R':
                out += formatLocalTime("%H:%M", t, am, pm);
                break;
            case 'r':
                out += formatLocalTime("%I:%M:%S %p", t, am, pm);
                break;
            case 'D':
                out += formatLocalTime("%m/%d/%y", t, am, pm);
                break;
            case 'F':
                out += formatLocalTime("%Y-%m-%d", t, am, pm);
                break;
            case '%':
                out += '%';
                break;
            default:
                out += '%';
                out += c;
        }
    }
    return out;
}

}  // namespace vintrel::system
