#include "platform/linux/hw_gatherers.h"

namespace vintrel::platform::linux_host {

PrinterFacts gatherPrinter(const std::vector<CupsQueue>& queues) {
    PrinterFacts out;
    if (const CupsQueue* q = defaultQueue(queues)) {
        out.model = nonEmpty(!q->makeAndModel.empty() ? q->makeAndModel : q->name);
        out.name = nonEmpty(!q->info.empty() ? q->info : q->name);
    }
    return out;
}

}  // namespace vintrel::platform::linux_host
