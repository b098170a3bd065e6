#pragma once
// Trimming and line splitting for the parsers of text files (/proc, /sys, /etc, INI files).
// Everything works on views into the caller's text; nothing is copied.

#include <cstddef>
#include <iterator>
#include <string_view>

namespace vintrel::text {

// Blanks, tabs and carriage returns: what the parsers drop around fields by default.
inline constexpr std::string_view kBlanks = " \t\r";

constexpr std::string_view trimLeft(std::string_view s, std::string_view chars = kBlanks) {
    const auto first = s.find_first_not_of(chars);
    return first == std::string_view::npos ? std::string_view{} : s.substr(first);
}

constexpr std::string_view trimRight(std::string_view s, std::string_view chars = kBlanks) {
    const auto last = s.find_last_not_of(chars);
    return last == std::string_view::npos ? std::string_view{} : s.substr(0, last + 1);
}

constexpr std::string_view trim(std::string_view s, std::string_view chars = kBlanks) {
    return trimRight(trimLeft(s, chars), chars);
}

// Which bytes end a line: '\n' only (a '\r' before it stays in the line), or any of
// "\r\n", "\r" and "\n", as INI files written on any system use them.
enum class LineEnds { Newline, Any };

// The lines of a text, without their ends. A last line without an end counts; the empty
// rest after a final end does not, so "a\nb\n" and "a\nb" are both two lines, "" none.
class Lines {
public:
    class iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = const std::string_view*;
        using reference = std::string_view;

        iterator() = default;
        constexpr iterator(std::string_view rest, LineEnds ends)
            : rest_(rest), ends_(ends), atEnd_(rest.empty()) {
            next();
        }

        constexpr std::string_view operator*() const { return line_; }
        constexpr iterator& operator++() {
            atEnd_ = rest_.empty();
            next();
            return *this;
        }
        constexpr iterator operator++(int) {
            iterator before = *this;
            ++*this;
            return before;
        }
        constexpr bool operator==(const iterator& other) const {
            return atEnd_ == other.atEnd_ && (atEnd_ || rest_.data() == other.rest_.data());
        }

    private:
        constexpr void next() {
            if (atEnd_) return;
            const auto end = ends_ == LineEnds::Any ? rest_.find_first_of("\r\n") : rest_.find('\n');
            if (end == std::string_view::npos) {
                line_ = rest_;
                rest_ = rest_.substr(rest_.size());
                return;
            }
            line_ = rest_.substr(0, end);
            std::size_t skip = end + 1;
            if (rest_[end] == '\r' && skip < rest_.size() && rest_[skip] == '\n') ++skip;
            rest_.remove_prefix(skip);
        }

        std::string_view rest_;  // the text after the current line
        std::string_view line_;
        LineEnds ends_ = LineEnds::Newline;
        bool atEnd_ = true;
    };

    constexpr explicit Lines(std::string_view text, LineEnds ends = LineEnds::Newline)
        : text_(text), ends_(ends) {}
    constexpr iterator begin() const { return iterator(text_, ends_); }
    constexpr iterator end() const { return iterator(); }

private:
    std::string_view text_;
    LineEnds ends_;
};

constexpr Lines lines(std::string_view text, LineEnds ends = LineEnds::Newline) {
    return Lines(text, ends);
}

}  // namespace vintrel::text
