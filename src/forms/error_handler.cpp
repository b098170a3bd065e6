#include "forms/error_handler.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "forms/message_box.h"
#include "forms/qt_text.h"
#include "system/errors.h"

namespace vintrel::forms {
namespace {
std::string g_title;
}  // namespace

void setApplicationTitle(std::string title) {
    g_title = std::move(title);
}

const std::string& applicationTitleText() {
    if (g_title.empty())
        g_title = system::applicationTitle(cp(QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
    return g_title;
}

void showError(QWidget* owner, std::string_view message) {
    showMessageBox(owner, applicationTitleText(), system::handlerMessage(message), MessageKind::Error);
}

void showException(QWidget* owner, const std::exception& error) {
    showError(owner, error.what());
}

void showPlainMessage(QWidget* owner, const std::string& text) {
    showMessageBox(owner, applicationTitleText(), text, MessageKind::Message);
}

}  // namespace vintrel::forms
