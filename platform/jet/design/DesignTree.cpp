#include "platform/jet/design/DesignTree.h"

#include "platform/jet/design/DesignError.h"
#include "base/LittleEndian.h"

namespace platform::jet::design {
namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::size_t kHeaderSize = 10;
// Reports nest controls in sections in the report, attached labels and tab pages a little deeper.
constexpr int kMaxDepth = 12;

// Object markers, as the first byte of a compact property or the id of a u32 record.
constexpr std::uint32_t kNextSibling = 0xFD;
constexpr std::uint32_t kSingleChild = 0xFE;
constexpr std::uint32_t kChildGroup = 0xFF;

class Reader {
  public:
    explicit Reader(Bytes bytes) : bytes_(bytes), at_(kHeaderSize) {}

    bool atEnd() const { return at_ == bytes_.size(); }
    std::size_t left() const { return bytes_.size() - at_; }
    std::size_t offset() const { return at_; }

    Bytes take(std::size_t count) {
        if (count > left()) fail("a value reaches past the end of the design");
        const Bytes taken = bytes_.subspan(at_, count);
        at_ += count;
        return taken;
    }
    std::uint8_t u8() { return take(1)[0]; }
    std::uint16_t u16() { return base::getU16(take(2), 0); }
    std::uint32_t u32() { return base::getU32(take(4), 0); }
    std::uint8_t peek8() const { return bytes_[at_]; }
    std::uint32_t peek32() const { return left() >= 4 ? base::getU32(bytes_, at_) : 0; }

    [[noreturn]] void fail(const std::string& what) const {
        throw DesignError("The report design is damaged: " + what + " (at byte " + std::to_string(at_) +
                          ").");
    }

  private:
    Bytes bytes_;
    std::size_t at_;
};

// What the two encodings share: an object is its properties, then groups of children; a group opens
// with its count and first child's type, and each further child with a sibling marker.
class Decoder {
  public:
    explicit Decoder(Bytes blob, bool records) : reader_(blob), records_(records) {}

    DesignObject root(std::uint16_t type) {
        DesignObject object{type, {}, {}, {}};
        readObject(object, 0);
        // Access ends a design with a lone sibling marker; the newer form with four bytes, taken as they are.
        if (!reader_.atEnd() && reader_.left() == markerSize() && (records_ || nextMarker() == kNextSibling))
            reader_.take(markerSize());
        if (!reader_.atEnd()) reader_.fail("bytes are left after the design");
        return object;
    }

  private:
    std::size_t markerSize() const { return records_ ? 4 : 1; }

    // The marker that comes next, or 0 when a property does.
    std::uint32_t nextMarker() const {
        const std::uint32_t id = records_ ? reader_.peek32() : reader_.peek8();
        return id >= kNextSibling && id <= kChildGroup ? id : 0;
    }

    void readObject(DesignObject& object, int depth) {
        if (depth > kMaxDepth) reader_.fail("objects nest too deeply");
        while (!reader_.atEnd()) {
            switch (nextMarker()) {
                case 0:
                    if (records_ && reader_.left() == markerSize()) return;  // the closing four bytes
                    readProperty(object);
                    break;
                case kNextSibling:
                    return;  // the enclosing group's next child, or the design's end
                case kSingleChild: {
                    reader_.take(markerSize());
                    readChild(object, reader_.u16(), depth);
                    break;
                }
                case kChildGroup: {
                    reader_.take(markerSize());
                    const std::uint16_t count = reader_.u16();
                    if (count == 0) reader_.fail("a group of children is empty");
                    readChild(object, reader_.u16(), depth);
                    for (std::uint16_t i = 1; i < count; ++i) {
                        if (reader_.atEnd() || nextMarker() != kNextSibling)
                            reader_.fail("a group holds fewer children than it counts");
                        reader_.take(markerSize());
                        readChild(object, reader_.u16(), depth);
                    }
                    break;
                }
            }
        }
    }

    void readChild(DesignObject& parent, std::uint16_t type, int depth) {
        parent.children.push_back({type, {}, {}, {}});
        readObject(parent.children.back(), depth + 1);
    }

    void readProperty(DesignObject& object) {
        std::uint32_t slot = 0;
        Bytes value;
        if (records_) {
            slot = reader_.u32();
            object.slotOfCode[reader_.u16()] = slot;
            reader_.u32();  // value type
            reader_.u32();  // width
            value = reader_.take(reader_.u32());
        } else {
            slot = reader_.u8();
            value = reader_.take(compactValueSize(static_cast<std::uint8_t>(slot)));
        }
        object.properties[slot].assign(value.begin(), value.end());
    }

    // A compact slot id's range gives its value's size.
    std::size_t compactValueSize(std::uint8_t slot) {
        if (slot < 0x30) return 0;
        if (slot < 0x60) return 1;
        if (slot < 0x9C) return 2;
        if (slot < 0xBC) return 4;
        const std::uint8_t length = reader_.u8();
        return length == 0xFF ? reader_.u16() : length;
    }

    Reader reader_;
    bool records_;
};

}  // namespace

DesignTree decodeDesignBlob(std::span<const std::uint8_t> blob) {
    if (blob.size() < kHeaderSize) throw DesignError("The report design is damaged: it is too short.");
    DesignTree tree;
    // Reports of a file converted from an older format start 0x15 before the records' 0x14 and read as
    // the records do.
    const std::uint16_t first = base::getU16(blob, 0);
    tree.version =
        first == kVersionConvertedRecords && base::getU16(blob, 2) == kVersionRecords ? kVersionRecords : first;
    if (base::getU16(blob, 2) != tree.version || base::getU32(blob, 4) != 0)
        throw DesignError("The report design is damaged: its header does not hold.");
    if (tree.version != kVersionAccess97 && tree.version != kVersionCompact &&
        tree.version != kVersionRecords)
        throw DesignError("The report design has an unknown version (" + std::to_string(tree.version) + ").");
    tree.encoding = tree.version == kVersionAccess97 ? TextEncoding::CodePage : TextEncoding::Utf16;
    tree.root = Decoder(blob, tree.version == kVersionRecords).root(base::getU16(blob, 8));
    return tree;
}

}  // namespace platform::jet::design
