#include "platform/linux/queue_records.h"

#include <array>

namespace vintrel::platform::linux_host {

std::vector<CupsQueue> parseQueueRecords(std::string_view bytes) {
    std::vector<CupsQueue> queues;
    while (!bytes.empty()) {
        std::array<std::string_view, 5> fields;
        for (std::string_view& field : fields) {
            const std::size_t end = bytes.find('\0');
            if (end == std::string_view::npos) return queues;
            field = bytes.substr(0, end);
            bytes.remove_prefix(end + 1);
        }
        if (fields[0].empty() || (fields[4] != "0" && fields[4] != "1")) return queues;
        queues.push_back({std::string(fields[0]), std::string(fields[1]), std::string(fields[2]),
                          std::string(fields[3]), fields[4] == "1"});
    }
    return queues;
}

}  // namespace vintrel::platform::linux_host
