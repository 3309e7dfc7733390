#include "platform/jet/design/Macro.h"

#include "base/LittleEndian.h"
#include "platform/jet/design/DesignError.h"
#include "platform/jet/design/DesignText.h"

namespace platform::jet::design {
namespace {

using Bytes = std::span<const std::uint8_t>;

// The header: a 32-bit word, fourteen 16-bit fields, then a block of its own (its meaning is not known).
constexpr std::size_t kHeaderFields = 4 + 14 * 2;
// A row: a zero word, the action, its grid row, an unknown word, then the string offsets of its comment,
// condition, name and ten arguments, then the length of its string block.
constexpr std::size_t kArgumentCount = 10;
constexpr std::size_t kRowFields = 4 * 2 + (3 + kArgumentCount) * 2;
constexpr std::uint16_t kNoString = 0xFFFF;
constexpr std::size_t kMaxRows = 65'536;

[[noreturn]] void damaged(const std::string& what, std::size_t at) {
    throw DesignError("The macro is damaged: " + what + " (at byte " + std::to_string(at) + ").");
}

class RowReader {
  public:
    RowReader(Bytes bytes, bool utf16, const std::string& charset)
        : bytes_(bytes), utf16_(utf16), charset_(charset) {}

    Macro read() {
        if (bytes_.size() < kHeaderFields + 2) damaged("it is too short", 0);
        at_ = kHeaderFields;
        skipBlock();
        Macro macro;
        // The rows, then a closing zero word.
        while (left() > 2) {
            if (macro.rows.size() == kMaxRows) damaged("it holds more rows than any macro", at_);
            macro.rows.push_back(row());
        }
        if (left() != 2 || base::getU16(bytes_, at_) != 0) damaged("it does not end where its rows do", at_);
        return macro;
    }

  private:
    std::size_t left() const { return bytes_.size() - at_; }

    Bytes skipBlock() {
        if (left() < 2) damaged("a length reaches past the end", at_);
        const std::size_t length = base::getU16(bytes_, at_);
        at_ += 2;
        if (length > left()) damaged("a block reaches past the end", at_);
        const Bytes block = bytes_.subspan(at_, length);
        at_ += length;
        return block;
    }

    MacroRow row() {
        const std::size_t start = at_;
        if (left() < kRowFields + 2) damaged("a row is cut short", start);
        const auto field = [&](std::size_t index) { return base::getU16(bytes_, start + 2 * index); };
        if (field(0) != 0) damaged("a row does not start as rows do", start);
        MacroRow row;
        row.action = field(1);
        row.row = field(2);
        at_ += kRowFields;
        const Bytes block = skipBlock();
        const auto text = [&](std::uint16_t offset) -> std::string {
            if (offset == kNoString) return {};
            return string(block, offset, start);
        };
        row.comment = text(field(4));
        row.condition = text(field(5));
        row.name = text(field(6));
        std::size_t used = 0;
        for (std::size_t i = 0; i < kArgumentCount; ++i)
            if (field(7 + i) != kNoString) used = i + 1;
        for (std::size_t i = 0; i < used; ++i) row.arguments.push_back(text(field(7 + i)));
        return row;
    }

    // The NUL-terminated text at a byte offset of a row's block.
    std::string string(Bytes block, std::size_t offset, std::size_t rowStart) const {
        const std::size_t unit = utf16_ ? 2 : 1;
        if (offset >= block.size() || offset % unit != 0) damaged("a text lies outside its row", rowStart);
        std::size_t end = offset;
        while (end + unit <= block.size() && !(block[end] == 0 && block[end + unit - 1] == 0)) end += unit;
        if (end + unit > block.size()) damaged("a text runs past its row", rowStart);
        const Bytes text = block.subspan(offset, end - offset);
        return utf16_ ? utf8OfUtf16(text) : utf8OfCodePage(text, charset_);
    }

    Bytes bytes_;
    bool utf16_;
    const std::string& charset_;
    std::size_t at_ = 0;
};

}  // namespace

Macro parseMacro(std::span<const std::uint8_t> bytes, bool utf16, const std::string& charset) {
    return RowReader(bytes, utf16, charset).read();
}

}  // namespace platform::jet::design
