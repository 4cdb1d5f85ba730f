#include "ui/emf_writer.h"

#include <uemf.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <vector>

namespace vn {

namespace {

constexpr double kScreenDpi = 96.0;
constexpr U_RECTL kNoBounds{0, 0, -1, -1};

U_COLORREF colourRef(Rgb c) {
    return U_RGB(static_cast<uint8_t>(redOf(c)), static_cast<uint8_t>(greenOf(c)),
                 static_cast<uint8_t>(blueOf(c)));
}

U_POINTL pointOf(Point p) {
    return point32_set(p.x, p.y);
}

// A box with its corners in order: the layout draws a surface of negative
// radius with the corners swapped, which the window system puts in order
// itself but metafile readers take as negative radii.
U_RECTL boxOf(Point a, Point b) {
    return rectl_set(pointl_set(std::min(a.x, b.x), std::min(a.y, b.y)),
                     pointl_set(std::max(a.x, b.x), std::max(a.y, b.y)));
}

// A canvas whose primitives become records of an open metafile.
class EmfCanvas final : public Canvas {
public:
    EmfCanvas(EMFTRACK* et, EMFHANDLES* eht) : et_(et), eht_(eht) {}

    bool failed() const { return failed_; }

    void begin(int width, int height) {
        size_t descLength = 0;
        uint16_t* desc = U_Utf8ToUtf16le("Varnistrale", 0, &descLength);
        const U_RECTL bounds = rectl_set(pointl_set(0, 0), pointl_set(width - 1, height - 1));
        // The frame in hundredths of a millimetre, at the screen's resolution.
        const double mm = 25.4 / kScreenDpi;
        const U_RECTL frame =
            rectl_set(pointl_set(0, 0), pointl_set(static_cast<int32_t>(width * mm * 100.0),
                                                   static_cast<int32_t>(height * mm * 100.0)));
        const U_SIZEL device = sizel_set(width, height);
        const U_SIZEL millimetres = sizel_set(static_cast<int32_t>(width * mm + 0.5),
                                              static_cast<int32_t>(height * mm + 0.5));
        append(U_EMRHEADER_set(bounds, frame, nullptr, static_cast<U_CBSTR>(descLength + 1), desc,
                               device, millimetres, 0));
        std::free(desc);
        append(U_EMRSETBKMODE_set(U_TRANSPARENT));
        append(U_EMRSETTEXTALIGN_set(U_TA_TOP | U_TA_LEFT));
        append(U_EMRSETMAPMODE_set(U_MM_TEXT));
        setPen(0x000000, 1);
        setBrush(0xFFFFFF);
    }

    void end() { append(U_EMREOF_set(0, nullptr, et_)); }

    void setPen(Rgb colour, int width) override {
        uint32_t handle = 0;
        const U_LOGPEN pen =
            logpen_set(U_PS_SOLID, point_set(std::max(1, width), 0), colourRef(colour));
        append(createpen_set(&handle, eht_, pen));
        select(handle, pen_);
    }

    void setBrush(Rgb colour) override {
        uint32_t handle = 0;
        append(
            createbrushindirect_set(&handle, eht_, logbrush_set(U_BS_SOLID, colourRef(colour), 0)));
        select(handle, brush_);
    }

    void moveTo(Point p) override { append(U_EMRMOVETOEX_set(pointOf(p))); }
    void lineTo(Point p) override { append(U_EMRLINETO_set(pointOf(p))); }

    void polyline(const Point* points, int count) override {
        if (count < 2) return;
        std::vector<U_POINTL> pts;
        pts.reserve(static_cast<std::size_t>(count));
        int32_t x0 = points[0].x, y0 = points[0].y, x1 = x0, y1 = y0;
        for (int i = 0; i < count; ++i) {
            pts.push_back(pointOf(points[i]));
            x0 = std::min(x0, points[i].x), x1 = std::max(x1, points[i].x);
            y0 = std::min(y0, points[i].y), y1 = std::max(y1, points[i].y);
        }
        append(U_EMRPOLYLINE_set(rectl_set(pointl_set(x0, y0), pointl_set(x1, y1)),
                                 static_cast<uint32_t>(count), pts.data()));
    }

    void arc(Point topLeft, Point bottomRight, Point start, Point end) override {
        // Arcs run counter-clockwise, the metafile's default direction.
        append(U_EMRARC_set(boxOf(topLeft, bottomRight), pointOf(start), pointOf(end)));
    }

    void ellipse(Point topLeft, Point bottomRight) override {
        append(U_EMRELLIPSE_set(boxOf(topLeft, bottomRight)));
    }

    void fillRect(Point topLeft, Point bottomRight, Rgb colour) override {
        // A rectangle without outline leaves out its right and bottom edge as a
        // filled box does.
        uint32_t brush = 0;
        append(
            createbrushindirect_set(&brush, eht_, logbrush_set(U_BS_SOLID, colourRef(colour), 0)));
        append(selectobject_set(brush, eht_));
        append(selectobject_set(U_NULL_PEN, eht_));
        append(U_EMRRECTANGLE_set(
            rectl_set(pointOf(topLeft), pointl_set(bottomRight.x + 1, bottomRight.y + 1))));
        if (pen_) append(selectobject_set(pen_, eht_));
        if (brush_) append(selectobject_set(brush_, eht_));
        append(deleteobject_set(&brush, eht_));
    }

    void setPixel(Point p, Rgb colour) override {
        append(U_EMRSETPIXELV_set(pointOf(p), colourRef(colour)));
    }

    void text(Point p, std::string_view utf8, int size, Rgb colour) override {
        if (utf8.empty()) return;
        const std::string s(utf8);
        size_t length = 0;
        uint16_t* wide = U_Utf8ToUtf16le(s.c_str(), 0, &length);
        if (!wide || length == 0) {
            std::free(wide);
            return;
        }
        selectFont(size > 0 ? size : 8);
        append(U_EMRSETTEXTCOLOR_set(colourRef(colour)));
        const int32_t height = fontHeight_;
        uint32_t* dx = dx_set(-height, U_FW_NORMAL, static_cast<uint32_t>(length));
        char* record = emrtext_set(pointOf(p), static_cast<U_NUM_STR>(length), 2, wide, U_ETO_NONE,
                                   kNoBounds, dx);
        append(U_EMREXTTEXTOUTW_set(kNoBounds, U_GM_COMPATIBLE, 1.0f, 1.0f,
                                    reinterpret_cast<PU_EMRTEXT>(record)));
        std::free(record);
        std::free(dx);
        std::free(wide);
    }

private:
    void append(char* record) {
        if (!record || emf_append(reinterpret_cast<PU_ENHMETARECORD>(record), et_, U_REC_FREE) != 0)
            failed_ = true;
    }

    // Selects `handle` in place of `current` and deletes the object it replaces.
    void select(uint32_t handle, uint32_t& current) {
        append(selectobject_set(handle, eht_));
        if (current) append(deleteobject_set(&current, eht_));
        current = handle;
    }

    void selectFont(int points) {
        if (points == fontPoints_) return;
        fontPoints_ = points;
        fontHeight_ = -static_cast<int32_t>(points * kScreenDpi / 72.0 + 0.5);
        uint16_t* face = U_Utf8ToUtf16le("Arial", 0, nullptr);
        const U_LOGFONT font = logfont_set(
            fontHeight_, 0, 0, 0, U_FW_NORMAL, 0, 0, 0, U_DEFAULT_CHARSET, U_OUT_DEFAULT_PRECIS,
            U_CLIP_DEFAULT_PRECIS, U_DEFAULT_QUALITY, U_DEFAULT_PITCH | U_FF_SWISS, face);
        std::free(face);
        uint32_t handle = 0;
        append(extcreatefontindirectw_set(&handle, eht_, reinterpret_cast<const char*>(&font),
                                          nullptr));
        select(handle, font_);
    }

    EMFTRACK* et_;
    EMFHANDLES* eht_;
    uint32_t pen_ = 0, brush_ = 0, font_ = 0;
    int fontPoints_ = 0;
    int32_t fontHeight_ = 0;
    bool failed_ = false;
};

}  // namespace

std::string writeEmfFile(const RecordingCanvas& picture, int width, int height, double sx,
                         double sy, const std::string& path) {
    namespace fs = std::filesystem;
    const std::string partial = path + ".part";
    EMFTRACK* et = nullptr;
    EMFHANDLES* eht = nullptr;
    if (emf_start(partial.c_str(), 1u << 20, 1u << 18, &et) != 0)
        return "Die Datei " + path + " kann nicht geschrieben werden: " + std::strerror(errno);
    if (emf_htable_create(128, 128, &eht) != 0) {
        emf_free(&et);
        std::remove(partial.c_str());
        return "Zu wenig Speicher für die Metadatei.";
    }
    EmfCanvas canvas(et, eht);
    canvas.begin(width, height);
    picture.replay(canvas, sx, sy);
    canvas.end();
    const bool drawn = !canvas.failed();
    const bool written = drawn && emf_finish(et, eht) == 0;
    emf_free(&et);
    emf_htable_free(&eht);
    std::error_code ec;
    if (written) fs::rename(partial, path, ec);
    if (!written || ec) {
        fs::remove(partial, ec);
        return "Die Datei " + path + " konnte nicht vollständig geschrieben werden.";
    }
    return {};
}

}  // namespace vn
