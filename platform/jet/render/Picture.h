#pragma once

#include <QImage>
#include <QRectF>
#include <cstdint>
#include <span>

namespace platform::jet::render {

// The image a picture's bytes hold: an image control's device-independent bitmap, a BMP, PNG, JPEG or
// GIF file, or one of these inside the OLE object an OLE Object field keeps. A null image when the bytes
// hold nothing Qt can draw: a metafile, another program's object, damaged or cut bytes. No size read
// from the bytes is trusted.
QImage decodePicture(std::span<const std::uint8_t> bytes);

// The image's size in twips as its resolution gives it (96 dots an inch when it names none).
QSizeF naturalSize(const QImage& image);

// Where a picture of the natural size goes in the area: as it is (clip, 0), filling the area (stretch, 1)
// or as large as fits with its proportions (zoom, 3), placed by the alignment (0 top left, 1 top right,
// 2 and 5 centre, 3 bottom left, 4 bottom right). Parts outside the area are clipped by the caller.
QRectF pictureArea(QSizeF natural, const QRectF& area, int sizeMode, int alignment);

}  // namespace platform::jet::render
