#pragma once
// The print queues as the printer helper hands them over on its standard output: per queue
// five fields, each ended by a NUL byte (name, info, make and model, device URI, "1" for the
// default queue else "0"). Strings from libcups never hold a NUL, so nothing needs escaping.

#include <string>
#include <string_view>
#include <vector>

namespace vintrel::platform::linux_host {

struct CupsQueue {
    std::string name;          // queue name, "name/instance" for an instance (UTF-8)
    std::string info;          // printer-info, the description users gave it; may be empty
    std::string makeAndModel;  // printer-make-and-model, may be empty
    std::string deviceUri;     // device-uri, may be empty
    bool isDefault = false;

    bool operator==(const CupsQueue&) const = default;
};

inline void appendQueueRecord(std::string& out, const CupsQueue& q) {
    for (const std::string* field : {&q.name, &q.info, &q.makeAndModel, &q.deviceUri}) {
        out += *field;
        out += '\0';
    }
    out += q.isDefault ? '1' : '0';
    out += '\0';
}

// The queues of the helper's output. A record cut short, an unnamed queue or a default flag
// other than "0" or "1" ends the list there: what follows cannot be trusted to line up.
std::vector<CupsQueue> parseQueueRecords(std::string_view bytes);

}  // namespace vintrel::platform::linux_host
