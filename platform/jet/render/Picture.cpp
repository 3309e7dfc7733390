#include "platform/jet/render/Picture.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

namespace platform::jet::render {
namespace {

using Bytes = std::span<const std::uint8_t>;

// Pictures larger than this are not drawn: no report shows one, and a damaged size must not exhaust memory.
constexpr int kMaxSide = 20'000;
constexpr qint64 kMaxPixels = 40'000'000;
constexpr int kAllocationLimitMegabytes = 256;
constexpr int kMaxNesting = 4;  // an OLE object holding an OLE object holding ...

constexpr std::uint16_t kOleHeaderSignature = 0x1C15;  // Access's header before an OLE Object field's object
constexpr std::uint32_t kOleEmbedded = 2, kOleStatic = 5;
constexpr std::size_t kFileHeaderSize = 14;  // BITMAPFILEHEADER
constexpr std::uint32_t kCoreHeaderSize = 12, kInfoHeaderSize = 40;
constexpr std::uint32_t kBitFields = 3, kAlphaBitFields = 6;
constexpr double kTwipsPerInch = 1440, kInchesPerMetre = 39.3701, kDefaultDpi = 96;

std::optional<std::uint32_t> u32At(Bytes bytes, std::size_t at) {
    if (at > bytes.size() || bytes.size() - at < 4) return std::nullopt;
    return std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 | std::uint32_t(bytes[at + 2]) << 16 |
           std::uint32_t(bytes[at + 3]) << 24;
}

std::optional<std::uint16_t> u16At(Bytes bytes, std::size_t at) {
    if (at > bytes.size() || bytes.size() - at < 2) return std::nullopt;
    return std::uint16_t(bytes[at] | bytes[at + 1] << 8);
}

bool startsWith(Bytes bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), bytes.begin(),
                      [](char a, std::uint8_t b) { return std::uint8_t(a) == b; });
}

// Reads an OLE 1 stream's length-prefixed field: its bytes, and moves past it.
std::optional<Bytes> lengthPrefixed(Bytes bytes, std::size_t& at) {
    const auto length = u32At(bytes, at);
    if (!length || *length > bytes.size() - at - 4) return std::nullopt;
    const Bytes field = bytes.subspan(at + 4, *length);
    at += 4 + *length;
    return field;
}

std::string_view nameOf(Bytes field) {
    std::string_view name(reinterpret_cast<const char*>(field.data()), field.size());
    return name.substr(0, name.find('\0'));
}

// The presentation or native data of the OLE object after Access's header: an embedded object's own
// data (a Paintbrush object's is a BMP file), or a static picture's DIB.
std::optional<Bytes> oleObjectData(Bytes bytes) {
    const auto headerSize = u16At(bytes, 2);
    if (!headerSize || *headerSize > bytes.size()) return std::nullopt;
    const Bytes object = bytes.subspan(*headerSize);
    std::size_t at = 4;  // past the OLE version
    const auto format = u32At(object, at);
    at += 4;
    const auto className = lengthPrefixed(object, at);
    if (!format || !className) return std::nullopt;
    if (*format == kOleStatic) {
        if (nameOf(*className) != "DIB") return std::nullopt;  // a metafile or a device bitmap
        at += 8;                                               // width and height, in the object's units
        return lengthPrefixed(object, at);
    }
    if (*format != kOleEmbedded || !lengthPrefixed(object, at) || !lengthPrefixed(object, at))
        return std::nullopt;  // topic and item names come before the data
    return lengthPrefixed(object, at);
}

// Whether all the pixels an uncompressed bitmap's header promises are there: Qt would draw a cut one
// in part. Compressed pixels Qt checks as it reads them.
bool pixelsComplete(Bytes dib, std::uint64_t pixelsAt) {
    const auto headerSize = u32At(dib, 0);
    if (!headerSize) return false;
    const bool core = *headerSize == kCoreHeaderSize;
    const auto word = [&](std::size_t coreAt, std::size_t infoAt) -> std::optional<std::uint32_t> {
        if (core) return u16At(dib, coreAt);
        return u32At(dib, infoAt);
    };
    const auto width = word(4, 4), height = word(6, 8);
    const auto bitCount = u16At(dib, core ? 10 : 14);
    const auto compression = core ? std::optional<std::uint32_t>(0) : u32At(dib, 16);
    if (!width || !height || !bitCount || !compression) return false;
    if (*compression != 0 && *compression != kBitFields && *compression != kAlphaBitFields) return true;
    const auto magnitude = [core](std::uint32_t value) -> std::uint64_t {
        const std::int64_t signedValue = core ? std::int16_t(value) : std::int32_t(value);
        return static_cast<std::uint64_t>(signedValue < 0 ? -signedValue : signedValue);
    };
    const std::uint64_t rowBytes = (magnitude(*width) * *bitCount + 31) / 32 * 4;
    return pixelsAt <= dib.size() && rowBytes * magnitude(*height) <= dib.size() - pixelsAt;
}

// A bare DIB (a bitmap's header, colours and pixels) as a BMP file: the file header in front says where
// the pixels start, after the header and its colour table.
std::optional<QByteArray> bmpOfDib(Bytes dib) {
    const auto headerSize = u32At(dib, 0);
    if (!headerSize || *headerSize > dib.size()) return std::nullopt;
    std::uint64_t colours = 0, colourSize = 4, masks = 0;
    if (*headerSize == kCoreHeaderSize) {
        const auto bitCount = u16At(dib, 10);
        if (!bitCount) return std::nullopt;
        colours = *bitCount <= 8 ? 1u << *bitCount : 0;
        colourSize = 3;
    } else {
        const auto bitCount = u16At(dib, 14);
        const auto compression = u32At(dib, 16);
        const auto used = u32At(dib, 32);
        if (!bitCount || !compression || !used) return std::nullopt;
        colours = *used != 0 ? *used : *bitCount <= 8 ? 1u << *bitCount : 0;
        if (*headerSize == kInfoHeaderSize)
            masks = *compression == kBitFields ? 12 : *compression == kAlphaBitFields ? 16 : 0;
    }
    const std::uint64_t pixelsAt = kFileHeaderSize + *headerSize + masks + colours * colourSize;
    const std::uint64_t fileSize = kFileHeaderSize + dib.size();
    if (pixelsAt > fileSize || !pixelsComplete(dib, pixelsAt - kFileHeaderSize)) return std::nullopt;
    QByteArray file;
    file.reserve(static_cast<qsizetype>(fileSize));
    const auto put32 = [&file](std::uint64_t value) {
        for (int i = 0; i < 4; ++i) file.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    };
    file.append("BM", 2);
    put32(fileSize);
    put32(0);
    put32(pixelsAt);
    file.append(reinterpret_cast<const char*>(dib.data()), static_cast<qsizetype>(dib.size()));
    return file;
}

bool isMetafile(Bytes bytes) {
    const bool placeable = u32At(bytes, 0) == 0x9AC6CDD7u;
    const bool windows = (u16At(bytes, 0) == 1 || u16At(bytes, 0) == 2) && u16At(bytes, 2) == 9;
    const bool enhanced = u32At(bytes, 0) == 1 && u32At(bytes, 40) == 0x464D4520u;  // " EMF"
    return placeable || windows || enhanced;
}

QImage imageOfFile(const QByteArray& file, const char* format) {
    QBuffer buffer;
    buffer.setData(file);
    if (!buffer.open(QIODevice::ReadOnly)) return {};
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kMaxSide || size.height() > kMaxSide ||
        qint64(size.width()) * size.height() > kMaxPixels)
        return {};
    reader.setAllocationLimit(kAllocationLimitMegabytes);
    return reader.read();
}

QImage decodeNested(Bytes bytes, int depth) {
    if (bytes.empty() || depth > kMaxNesting || isMetafile(bytes)) return {};
    const QByteArray file(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
    if (startsWith(bytes, "BM")) {
        const auto pixelsAt = u32At(bytes, 10);
        const bool whole = pixelsAt && *pixelsAt >= kFileHeaderSize &&
                           pixelsComplete(bytes.subspan(std::min(bytes.size(), kFileHeaderSize)),
                                          *pixelsAt - kFileHeaderSize);
        return whole ? imageOfFile(file, "BMP") : QImage();
    }
    if (startsWith(bytes, "\x89PNG")) return imageOfFile(file, "PNG");
    if (startsWith(bytes, "\xFF\xD8\xFF")) return imageOfFile(file, "JPEG");
    if (startsWith(bytes, "GIF8")) return imageOfFile(file, "GIF");
    if (u16At(bytes, 0) == kOleHeaderSignature) {
        const auto data = oleObjectData(bytes);
        return data ? decodeNested(*data, depth + 1) : QImage();
    }
    const auto headerSize = u32At(bytes, 0);
    if (headerSize == kCoreHeaderSize || (headerSize >= kInfoHeaderSize && headerSize <= 124)) {
        const auto file = bmpOfDib(bytes);
        return file ? imageOfFile(*file, "BMP") : QImage();
    }
    return {};
}

}  // namespace

QImage decodePicture(std::span<const std::uint8_t> bytes) {
    return decodeNested(bytes, 0);
}

QSizeF naturalSize(const QImage& image) {
    // A resolution under 100 dots a metre (2.5 an inch) is no real one.
    const auto dotsPerInch = [](int dotsPerMetre) {
        return dotsPerMetre >= 100 ? dotsPerMetre / kInchesPerMetre : kDefaultDpi;
    };
    return QSizeF(image.width() / dotsPerInch(image.dotsPerMeterX()) * kTwipsPerInch,
                  image.height() / dotsPerInch(image.dotsPerMeterY()) * kTwipsPerInch);
}

QRectF pictureArea(QSizeF natural, const QRectF& area, int sizeMode, int alignment) {
    if (sizeMode == 1 || natural.isEmpty()) return area;
    QSizeF size = natural;
    if (sizeMode == 3) size.scale(area.size(), Qt::KeepAspectRatio);
    const bool right = alignment == 1 || alignment == 4;
    const bool bottom = alignment == 3 || alignment == 4;
    const bool centre = alignment == 2 || alignment == 5;
    const double x = right    ? area.right() - size.width()
                     : centre ? area.center().x() - size.width() / 2
                              : area.left();
    const double y = bottom   ? area.bottom() - size.height()
                     : centre ? area.center().y() - size.height() / 2
                              : area.top();
    return QRectF(QPointF(x, y), size);
}

}  // namespace platform::jet::render
