#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/jet/render/Picture.h"

namespace {

using platform::jet::render::decodePicture;
using Bytes = std::vector<std::uint8_t>;

// A 6x4 picture in four colours, indexed as Access's bitmaps are.
QImage sample() {
    QImage image(6, 4, QImage::Format_Indexed8);
    image.setColorTable({qRgb(255, 0, 0), qRgb(0, 128, 0), qRgb(0, 0, 255), qRgb(255, 255, 255)});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) image.setPixel(x, y, static_cast<uint>((x + y) % 4));
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    return image;
}

Bytes fileOf(const QImage& image, const char* format) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return Bytes(buffer.data().begin(), buffer.data().end());
}

void put32(Bytes& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void putField(Bytes& bytes, const Bytes& field) {
    put32(bytes, static_cast<std::uint32_t>(field.size()));
    bytes.insert(bytes.end(), field.begin(), field.end());
}

Bytes text(const std::string& value) {
    Bytes bytes(value.begin(), value.end());
    bytes.push_back(0);
    return bytes;
}

// An OLE Object field's value as Access keeps it: its header naming the object, then the OLE stream of
// an embedded object (class, topic, item, data) or a static picture (class, size, data).
Bytes oleObject(bool embedded, const std::string& className, const Bytes& data) {
    Bytes bytes = {0x15, 0x1C, 20, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    put32(bytes, 0x0501);
    put32(bytes, embedded ? 2 : 5);
    putField(bytes, text(className));
    if (embedded) {
        putField(bytes, {});
        putField(bytes, {});
    } else {
        put32(bytes, 100);
        put32(bytes, 100);
    }
    putField(bytes, data);
    return bytes;
}

TEST(Picture, BitmapsPngJpegAndOleObjectsDecode) {
    const QImage image = sample();
    const Bytes bmp = fileOf(image, "BMP");
    const Bytes dib(bmp.begin() + 14, bmp.end());  // as an image control keeps it: no file header
    struct Case {
        const char* what;
        Bytes bytes;
        bool exactColours;
    };
    const Case cases[] = {
        {"a BMP file", bmp, true},
        {"a bare DIB with its colour table", dib, true},
        {"a Paintbrush object", oleObject(true, "PBrush", bmp), true},
        {"a static DIB", oleObject(false, "DIB", dib), true},
        {"a PNG file", fileOf(image, "PNG"), true},
        {"a JPEG file", fileOf(image.convertToFormat(QImage::Format_RGB32), "JPEG"), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QImage decoded = decodePicture(c.bytes);
        ASSERT_FALSE(decoded.isNull());
        EXPECT_EQ(decoded.size(), QSize(6, 4));
        if (c.exactColours) {
            EXPECT_EQ(decoded.pixel(0, 0), qRgb(255, 0, 0));
            EXPECT_EQ(decoded.pixel(1, 0), qRgb(0, 128, 0));
            EXPECT_EQ(decoded.pixel(0, 3), qRgb(255, 255, 255)) << "rows bottom up";
        }
    }
}

TEST(Picture, WhatCannotBeDrawnGivesNoImage) {
    const Bytes bmp = fileOf(sample(), "BMP");
    Bytes hugeDib(bmp.begin() + 14, bmp.end());
    hugeDib[4] = 0xFF, hugeDib[5] = 0xFF, hugeDib[6] = 0xFF, hugeDib[7] = 0x7F;  // a width of 2^31 - 1
    Bytes manyColours(bmp.begin() + 14, bmp.end());
    manyColours[34] = 0xFF;  // more colours than the bytes hold
    manyColours[35] = 0xFF;
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"nothing", {}},
        {"a placeable metafile", {0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"a Windows metafile", {1, 0, 9, 0, 0, 3, 0, 0, 0, 0}},
        {"another program's object", oleObject(true, "Word.Document.8", text("not a picture"))},
        {"a static metafile", oleObject(false, "METAFILEPICT", {1, 2, 3})},
        {"a header whose size is past the end", {0x15, 0x1C, 0xFF, 0x7F, 0, 0}},
        {"a huge width", hugeDib},
        {"a colour table past the end", manyColours},
        {"text", text("Beverages")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(decodePicture(c.bytes).isNull());
    }
}

// Every cut and many changed bytes of each kind of picture give an image or none, never a crash (run
// under the sanitizers, this is where a read past the bytes would show). A cut picture gives none, but
// for a PNG's closing chunk, which holds nothing of the picture.
TEST(Picture, CutOrChangedBytesAreSafe) {
    const QImage image = sample();
    const Bytes bmp = fileOf(image, "BMP");
    const Bytes dib(bmp.begin() + 14, bmp.end());
    constexpr std::size_t kPngEnd = 12;
    const struct {
        Bytes bytes;
        std::size_t closing;
    } samples[] = {{bmp, 0},
                   {dib, 0},
                   {oleObject(true, "PBrush", bmp), 0},
                   {oleObject(false, "DIB", dib), 0},
                   {fileOf(image, "PNG"), kPngEnd}};
    for (const auto& [whole, closing] : samples) {
        for (std::size_t length = 0; length < whole.size() - closing; ++length)
            EXPECT_TRUE(decodePicture(Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(length))).isNull())
                << "cut at " << length;
        for (std::size_t at = 0; at < whole.size(); ++at)
            for (const std::uint8_t value : {0x00, 0x7F, 0xFF}) {
                Bytes changed = whole;
                changed[at] = value;
                decodePicture(changed);
            }
    }
}

TEST(Picture, SizeModesPlaceThePictureInTheArea) {
    using platform::jet::render::pictureArea;
    const QRectF area(100, 100, 400, 200);
    const QSizeF natural(100, 100);
    struct Case {
        const char* what;
        int sizeMode, alignment;
        QRectF expected;
    };
    const Case cases[] = {
        {"clipped at the top left", 0, 0, QRectF(100, 100, 100, 100)},
        {"clipped at the top right", 0, 1, QRectF(400, 100, 100, 100)},
        {"clipped in the centre", 0, 2, QRectF(250, 150, 100, 100)},
        {"clipped at the bottom right", 0, 4, QRectF(400, 200, 100, 100)},
        {"stretched", 1, 2, area},
        {"zoomed in the centre", 3, 2, QRectF(200, 100, 200, 200)},
        {"zoomed at the left", 3, 0, QRectF(100, 100, 200, 200)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(pictureArea(natural, area, c.sizeMode, c.alignment), c.expected);
    }
    EXPECT_EQ(platform::jet::render::naturalSize(sample()).toSize(), QSize(90, 60)) << "96 dots an inch";
}

}  // namespace
