#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace platform::jet {

// An OLE DB connection string: "key=value" pairs separated by ";". Keys compare without regard to
// letter case and lose their surrounding blanks; "==" in a key stands for "=". A value loses its
// surrounding blanks and may be enclosed in double or single quotes, the same quote doubled inside,
// so that it can hold ";" and blanks of its own. A key given twice keeps its last value.
class ConnectionString {
  public:
    // Empty when the text breaks these rules (a pair without "=", an empty key, text after a
    // closing quote, an unclosed quote).
    static std::optional<ConnectionString> parse(std::string_view text);

    std::optional<std::string> value(std::string_view key) const;

  private:
    std::map<std::string, std::string> values_;  // by lower-cased key
};

}  // namespace platform::jet
