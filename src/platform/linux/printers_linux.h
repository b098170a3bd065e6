#pragma once
// Installed print queues through libcups. Only the queues the scheduler knows: never the
// network discovery that plain cupsGetDests waits for.

#include <memory>
#include <string>
#include <vector>

#include "platform/api/platform.h"

namespace vintrel::platform::linux_host {

struct CupsQueue {
    std::string name;          // queue name, "name/instance" for an instance (UTF-8)
    std::string info;          // printer-info, the description users gave it; may be empty
    std::string makeAndModel;  // printer-make-and-model, may be empty
    std::string deviceUri;     // device-uri, may be empty
    bool isDefault = false;
};

// The installed queues; empty when no scheduler answers within timeoutMs.
std::vector<CupsQueue> installedCupsQueues(int timeoutMs = 300);

// The default queue, else the first one.
const CupsQueue* defaultQueue(const std::vector<CupsQueue>& queues);

// installedPrinters: one entry per queue, name and device URI as its port, asked anew at
// each call.
std::unique_ptr<Spooler> makeLinuxSpooler();

}  // namespace vintrel::platform::linux_host
