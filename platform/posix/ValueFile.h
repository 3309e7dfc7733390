#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::posix {

// The values of one registry key as kept in its file, one value a line:
//
//     "OutputFile"="/home/ann/Desktop/Invoices.pdf"
//     "BypassSaveAs"="1"
//
// Inside the quotes a backslash escapes: \\ \" \n \r \t, and \xHH for the other control bytes; every
// other byte (UTF-8 included) stands for itself, so any text survives byte for byte. Names compare
// without regard to ASCII letter case and keep the spelling they were first written with. A line that
// does not read as a value (a comment, a hand edit gone wrong, the tail of a damaged file) is kept as it
// stands and otherwise ignored.
class ValueFile {
  public:
    static ValueFile parse(std::string_view text);
    std::string format() const;

    std::optional<std::string> find(std::string_view name) const;
    // Replaces the value of that name, keeping its first spelling, or adds it at the end.
    void set(std::string_view name, std::string_view value);

  private:
    struct Line {
        bool isValue;
        std::string name;  // isValue only
        std::string text;  // the value, or the unreadable line as it stood
    };
    // The position of the value of that name, or lines_.size() when there is none.
    std::size_t indexOf(std::string_view name) const;

    std::vector<Line> lines_;
};

}  // namespace platform::posix
