#include "forms/error_handler.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

#include "forms/qt_text.h"
#include "system/errors.h"

namespace vintrel::forms {
namespace {
ErrorSink g_sink;
std::string g_title;
}  // namespace

void setErrorSink(ErrorSink sink) { g_sink = std::move(sink); }

void setApplicationTitle(std::string title) { g_title = std::move(title); }

const std::string& applicationTitleText() {
    if (g_title.empty())
        g_title = system::applicationTitle(cp(QFileInfo(QCoreApplication::applicationFilePath()).fileName()));
    return g_title;
}

void showError(QWidget* owner, std::string_view message) {
    const std::string shown = system::handlerMessage(message);
    if (g_sink) {
        g_sink(applicationTitleText(), shown);
        return;
    }
    QMessageBox box(QMessageBox::Critical, qt(applicationTitleText()), qt(shown), QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);  // messages may carry outside text
    box.exec();
}

void showException(QWidget* owner, const std::exception& error) { showError(owner, error.what()); }

}  // namespace vintrel::forms
