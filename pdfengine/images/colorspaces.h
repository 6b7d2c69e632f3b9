#pragma once

// Colour spaces of image XObjects (gray, RGB, CMYK, Lab, indexed, inks and
// ICC-based ones by their component count), and samples turned into pixels
// through them.

#include <qpdf/QPDFObjectHandle.hh>

#include <QByteArray>
#include <QImage>

#include <array>
#include <string>
#include <vector>

namespace fpe {

enum class Family { Gray, Rgb, Cmyk, Lab, Indexed, Ink };

struct ColorModel {
    Family family = Family::Gray;
    int comps = 1;
    // Lab: white point and the a*, b* ranges.
    std::array<double, 3> white{{0.9505, 1.0, 1.089}};
    std::array<double, 4> labRange{{-100, 100, -100, 100}};
    // Ink: for each colorant its process slot (0 C, 1 M, 2 Y, 3 K) or -1.
    std::vector<int> inkSlots;
    // Indexed: the colours of its table.
    std::vector<QRgb> palette;
    int hival = 0;
    QByteArray iccProfile;  // ICC-based RGB
};

// A colour space as its components are read; false for one that cannot be.
bool resolveColorSpace(QPDFObjectHandle cs, ColorModel& cm, int depth = 0);
// The device space of n components (1, 3 or 4).
bool deviceByComponents(int n, ColorModel& cm);

// Samples as stored: rows byte-aligned, 16-bit samples big-endian.
struct Samples {
    int width = 0;
    int height = 0;
    int comps = 1;
    int bpc = 8;
    std::string data;
    size_t stride() const { return (static_cast<size_t>(width) * comps * bpc + 7) / 8; }
};

// A stencil mask: painted pixels black, the rest white.
QImage stencilImage(const Samples& s, QPDFObjectHandle dict);
// Samples as pixels of their colour space, with the /Decode array of the
// image's dictionary applied; null when they do not fit the space.
QImage samplesToImage(const Samples& s, const ColorModel& cm, QPDFObjectHandle dict);

} // namespace fpe
