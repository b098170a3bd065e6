#include "forms/maker.h"

#include <string>

#include "platform/api/platform.h"

namespace vintrel::forms {

void openMakerWebSite() {
    platform::current().shell().shellExecute({"Open", kMakerWebSite, "", "", platform::SW_SHOWNORMAL});
}

void openMakerMail() {
    platform::current().shell().shellExecute(
        {"Open", std::string("mailto:") + kMakerEmail, "", "", platform::SW_SHOWNORMAL});
}

}  // namespace vintrel::forms
