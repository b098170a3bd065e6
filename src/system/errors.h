#pragma once
// Errors that end a handler and reach the application's default error handler, and the
// texts that handler shows. Messages are Windows-1252.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vintrel::system {

// Base of every error the default handler shows; what() is the message (Windows-1252).
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file or folder operation failed with a Win32 error code.
class InOutError : public Error {
public:
    explicit InOutError(std::uint32_t code);
    std::uint32_t code() const { return code_; }

private:
    std::uint32_t code_;
};

// A text that is not a number, and the like.
class ConvertError : public Error {
public:
    using Error::Error;
};

// The message shown for a Win32 error code of a file operation: "File not found" for 2, ...,
// "I/O error 183" for codes without a text of their own.
std::string ioErrorMessage(std::uint32_t code);

// The application's title: the program file's name up to its first period, first letter as
// it stands and the rest in lower case ("PjDisco.exe" -> "Pjdisco").
std::string applicationTitle(std::string_view programFileName);

// The message as the default handler shows it: a period is appended when the last character
// sorts after the period.
std::string handlerMessage(std::string_view message);

}  // namespace vintrel::system
