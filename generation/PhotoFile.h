#pragma once

#include <QImage>
#include <QSizeF>
#include <QString>

// The celebrant's photo the user brings: read from a file that may be
// anything, fitted to a design's photo spot, and kept as the program's copy.
namespace velmora::photo {

// Larger files are refused before a byte of them is read.
constexpr qint64 kLargestFile = 50 * 1024 * 1024;
// Larger pictures are refused by the size their header states, before decoding.
constexpr qint64 kMostPixels = 100'000'000;
// What a decoder may allocate for one picture, in QImageReader's megabytes;
// Qt keeps this limit for the whole process, and read() sets it.
constexpr int kLargestDecodedMB = 400;
// Print resolution a photo is kept at, and the one under which it looks soft.
constexpr double kPrintPpi = 300;
constexpr double kSoftPpi = 150;

struct Reading {
    // RGB32, or ARGB32 when the picture has transparency; upright and in sRGB.
    QImage image;
    // Why the file cannot be used, in words for the user that name the file and
    // say what to do instead; empty when the image was read.
    QString refusal;
};

// Reads a JPEG, PNG, WebP, BMP, GIF (its first frame) or TIFF file. Never
// blocks on a pipe or a device and never decodes an oversized picture.
Reading read(const QString& path);

// The photo scaled down, never up, keeping its proportions, to the fewest
// pixels that still cover the spot at kPrintPpi in both directions.
QImage fitForPrint(const QImage& photo, QSizeF spotInches);
// The pixels per inch the photo has when it is scaled to cover the spot (and
// cropped to it); 0 for an empty photo or spot.
double ppiAt(const QImage& photo, QSizeF spotInches);

// The folder of the program's own photo copies in the user's data folder,
// private to the user (0700); created on demand. Throws Failure when it
// cannot be had.
QString folder();
// Writes the photo into folder() under a fresh name, as a JPEG (a PNG when it
// has transparency), removes the copies kept before and returns the new
// path. Throws Failure on a disk error, leaving the earlier copies in place.
QString keep(const QImage& photo);

} // namespace velmora::photo
