#pragma once

// A page as it is displayed: its MediaBox with /Rotate applied. Displayed
// coordinates are points from the displayed page's bottom-left corner, y up;
// user coordinates are the page's own PDF coordinates.

#include <qpdf/QPDFMatrix.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <cmath>

namespace fpe {

struct PageGeometry {
    double x0 = 0, y0 = 0, w = 612, h = 792;  // MediaBox, normalised
    int rotate = 0;                           // 0, 90, 180 or 270

    static int normaliseRotation(long long r)
    {
        long long m = r % 360;
        if (m < 0)
            m += 360;
        return static_cast<int>((m / 90) * 90);
    }

    static PageGeometry of(QPDFPageObjectHelper page)
    {
        PageGeometry g;
        QPDFObjectHandle box = page.getMediaBox();
        if (box.isRectangle()) {
            QPDFObjectHandle::Rectangle r = box.getArrayAsRectangle();
            g.x0 = std::min(r.llx, r.urx);
            g.y0 = std::min(r.lly, r.ury);
            g.w = std::fabs(r.urx - r.llx);
            g.h = std::fabs(r.ury - r.lly);
        }
        QPDFObjectHandle rot = page.getAttribute("/Rotate", false);
        if (rot.isNumber())
            g.rotate = normaliseRotation(static_cast<long long>(std::llround(rot.getNumericValue())));
        return g;
    }

    bool swapped() const { return rotate == 90 || rotate == 270; }
    double width() const { return swapped() ? h : w; }   // displayed
    double height() const { return swapped() ? w : h; }

    // Displayed point -> user space.
    void toUser(double dx, double dy, double& ux, double& uy) const
    {
        double u = dx, v = dy;
        switch (rotate) {
        case 90: u = w - dy; v = dx; break;
        case 180: u = w - dx; v = h - dy; break;
        case 270: u = dy; v = h - dx; break;
        default: break;
        }
        ux = x0 + u;
        uy = y0 + v;
    }

    // User space point -> displayed.
    void toDisplay(double ux, double uy, double& dx, double& dy) const
    {
        const double u = ux - x0, v = uy - y0;
        switch (rotate) {
        case 90: dx = v; dy = w - u; break;
        case 180: dx = w - u; dy = h - v; break;
        case 270: dx = h - v; dy = u; break;
        default: dx = u; dy = v; break;
        }
    }

    // The matrix that maps displayed coordinates to user space: content drawn
    // in displayed coordinates under this "cm" appears upright on screen.
    QPDFMatrix displayToUser() const
    {
        double ox, oy, ax, ay, bx, by;
        toUser(0, 0, ox, oy);
        toUser(1, 0, ax, ay);
        toUser(0, 1, bx, by);
        return QPDFMatrix(ax - ox, ay - oy, bx - ox, by - oy, ox, oy);
    }
};

} // namespace fpe
