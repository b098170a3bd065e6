#pragma once
// The application's default error handler: an error that ends a handler is shown in a
// message box with the stop icon, captioned with the application's title, and the event
// loop goes on.

#include <exception>
#include <string>
#include <string_view>

class QWidget;

namespace vintrel::forms {

void setApplicationTitle(std::string title);
const std::string& applicationTitleText();

// Shows an error's message per the handler's rules (title, period).
void showError(QWidget* owner, std::string_view message);
void showException(QWidget* owner, const std::exception& error);

// A plain message window with one OK button, captioned with the application's title.
void showPlainMessage(QWidget* owner, const std::string& text);

// Runs an event handler; an error it raises ends it and goes to the default handler.
template <typename Handler>
void guarded(QWidget* owner, Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        showException(owner, error);
    }
}

}  // namespace vintrel::forms
