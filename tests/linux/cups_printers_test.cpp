// The spooler group against the CUPS scheduler of this machine (.ci/run starts one with two
// queues): every queue the scheduler has installed, in the scheduler's own order.
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/linux/printers_linux.h"

namespace vintrel::platform::linux_host {
namespace {

// The scheduler's printer list, asked directly with CUPS-Get-Printers; nullopt when no
// scheduler answers.
std::optional<std::vector<std::string>> schedulerQueues() {
    http_t* http =
        httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 2000, nullptr);
    if (!http) return std::nullopt;
    ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                 "printer-name");
    ipp_t* response = cupsDoRequest(http, request, "/");
    std::optional<std::vector<std::string>> names;
    if (response && ippGetStatusCode(response) <= IPP_STATUS_OK_CONFLICTING) {
        names.emplace();
        for (ipp_attribute_t* a = ippFindAttribute(response, "printer-name", IPP_TAG_NAME); a;
             a = ippFindNextAttribute(response, "printer-name", IPP_TAG_NAME))
            names->push_back(ippGetString(a, 0, nullptr));
    } else if (cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND) {
        names.emplace();  // a scheduler without queues
    }
    ippDelete(response);
    httpClose(http);
    return names;
}

TEST(CupsSpooler, ListsTheSchedulersQueuesInItsOrder) {
    const auto expected = schedulerQueues();
    if (!expected)
        GTEST_SKIP() << "no CUPS scheduler answers at " << cupsServer() << " (start cupsd to run this)";
    if (expected->size() < 2) GTEST_SKIP() << "the scheduler has fewer than two queues (.ci/run makes two)";
    std::vector<std::string> listed;
    for (const PrinterInfo& p : makeLinuxSpooler()->installedPrinters()) listed.push_back(p.name);
    EXPECT_EQ(listed, *expected);
}

}  // namespace
}  // namespace vintrel::platform::linux_host
