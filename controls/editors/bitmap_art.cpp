// The library's button bitmaps: for each of the captions "CHECK", "COMPONENT",
// "DELETEALL", "DELETE", "DOWN", "FILEOPEN", "NEW" and "UP" four states, named by the
// caption and "U" (up), "D" (down), "F" (focused) or "X" (disabled). They are drawn
// here, 20 x 20 pixels each: a button face, its frame for the state, and the glyph.
#include <toolbox/ui/dc.h>
#include <toolbox/ui/editors.h>

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cstring>

namespace {

constexpr int kSize = 20;

QColor SysColor(int index) {
    const COLORREF c = GetSysColor(index);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

void DrawFrame(QPainter& p, char state) {
    const QColor light = Qt::white, dark(128, 128, 128), black(64, 64, 64);
    const bool down = state == 'D';
    p.setPen(down ? black : light);
    p.drawLine(0, 0, kSize - 2, 0);
    p.drawLine(0, 0, 0, kSize - 2);
    p.setPen(down ? light : black);
    p.drawLine(0, kSize - 1, kSize - 1, kSize - 1);
    p.drawLine(kSize - 1, 0, kSize - 1, kSize - 1);
    p.setPen(down ? dark : dark);
    if (!down) {
        p.drawLine(1, kSize - 2, kSize - 2, kSize - 2);
        p.drawLine(kSize - 2, 1, kSize - 2, kSize - 2);
    }
    if (state == 'F') {
        QPen focus(Qt::black);
        focus.setStyle(Qt::DotLine);
        p.setPen(focus);
        p.drawRect(3, 3, kSize - 7, kSize - 7);
    }
}

/// The glyph of a caption, drawn into the 12 x 12 square at (4, 4) in colour.
bool DrawGlyph(QPainter& p, const char* caption, const QColor& colour) {
    p.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(colour, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QPointF o(4, 4);
    auto line = [&](double x1, double y1, double x2, double y2) { p.drawLine(o + QPointF(x1, y1), o + QPointF(x2, y2)); };
    if (!std::strcmp(caption, "NEW")) {
        line(6, 1, 6, 11);
        line(1, 6, 11, 6);
    } else if (!std::strcmp(caption, "DELETE")) {
        line(2, 2, 10, 10);
        line(10, 2, 2, 10);
    } else if (!std::strcmp(caption, "DELETEALL")) {
        p.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap));
        line(0, 1, 6, 7);
        line(6, 1, 0, 7);
        line(5, 5, 11, 11);
        line(11, 5, 5, 11);
    } else if (!std::strcmp(caption, "UP") || !std::strcmp(caption, "DOWN")) {
        const bool up = caption[0] == 'U';
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        QPolygonF arrow;
        if (up)
            arrow << QPointF(6, 1) << QPointF(11, 7) << QPointF(8, 7) << QPointF(8, 11) << QPointF(4, 11)
                  << QPointF(4, 7) << QPointF(1, 7);
        else
            arrow << QPointF(6, 11) << QPointF(11, 5) << QPointF(8, 5) << QPointF(8, 1) << QPointF(4, 1)
                  << QPointF(4, 5) << QPointF(1, 5);
        p.drawPolygon(arrow.translated(o));
    } else if (!std::strcmp(caption, "CHECK")) {
        line(1, 6, 5, 10);
        line(5, 10, 11, 2);
    } else if (!std::strcmp(caption, "FILEOPEN")) {
        p.setPen(QPen(colour, 1.2));
        p.setBrush(QColor(240, 200, 80));
        QPolygonF folder;
        folder << QPointF(0, 3) << QPointF(4, 3) << QPointF(5, 4.5) << QPointF(11, 4.5) << QPointF(11, 11)
               << QPointF(0, 11);
        p.drawPolygon(folder.translated(o));
    } else if (!std::strcmp(caption, "COMPONENT")) {
        QFont font = p.font();
        font.setPixelSize(10);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRectF(o.x() - 2, o.y(), 16, 12), Qt::AlignCenter, QStringLiteral("#1"));
    } else {
        return false;
    }
    return true;
}

}  // namespace

BOOL TBLoadLibraryBitmap(LPCTSTR name, CBitmap& bitmap) {
    CString caption(name ? name : "");
    if (caption.GetLength() < 2) return FALSE;
    const char state = caption[caption.GetLength() - 1];
    if (state != 'U' && state != 'D' && state != 'F' && state != 'X') return FALSE;
    caption = caption.Left(caption.GetLength() - 1);
    QImage image(kSize, kSize, QImage::Format_RGB32);
    image.fill(SysColor(COLOR_BTNFACE));
    QPainter p(&image);
    const QColor ink = state == 'X' ? QColor(160, 160, 160) : QColor(20, 20, 120);
    if (state == 'D') p.translate(1, 1);
    if (!DrawGlyph(p, caption.GetString(), ink)) return FALSE;
    p.resetTransform();
    p.setRenderHint(QPainter::Antialiasing, false);
    DrawFrame(p, state);
    p.end();
    bitmap.DeleteObject();
    if (!bitmap.CreateBitmap(kSize, kSize)) return FALSE;
    *bitmap.GetImage() = image;
    return TRUE;
}
