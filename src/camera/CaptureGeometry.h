#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <Qt>
#include <vector>

// The arithmetic of a capture, apart from any window: rectangles in root-window pixels, how the
// user's drags and keys change them, and the mapping between Qt's coordinates and those pixels.
namespace camera {

// The edges of a selection under the pointer, as a combination of flags.
enum TEdge { EdgeLeft = 1, EdgeTop = 2, EdgeRight = 4, EdgeBottom = 8 };

// One screen in Qt's coordinates and in root-window pixels. Its corner is the same in both; only
// its size is scaled.
struct TScreenArea {
    QRect Logical;   // in Qt's coordinates
    QRect Native;    // in root-window pixels
    qreal Ratio = 1; // root-window pixels per Qt pixel
};

// The root-window pixel under Global (Qt's coordinates) on Screen; a pixel is hit by every point
// inside it.
QPoint NativeFromGlobal(const TScreenArea &Screen, const QPointF &Global);
// Native (root-window pixels) in the coordinates of a window covering Screen.
QRectF LocalFromNative(const TScreenArea &Screen, const QRect &Native);

// A rectangle from its left, top, right and bottom, right and bottom excluded; edges given in
// the wrong order are swapped.
QRect FromEdges(int Left, int Top, int Right, int Bottom);
// Rect kept inside Bounds without changing its size where it fits.
QRect MovedInside(QRect Rect, const QRect &Bounds);

// The edges of Selection within Tolerance of P (the nearer of two opposite ones); 0 away from
// them or for an empty selection.
int HitEdges(const QRect &Selection, const QPoint &P, int Tolerance);
// Start with the given edges moved by Delta, as a drag of them leaves it.
QRect ResizedByEdges(const QRect &Start, int Edges, const QPoint &Delta);
// The pointer's shape over the given edges; Otherwise where there are none.
Qt::CursorShape EdgeCursor(int Edges, Qt::CursorShape Otherwise);

// The one-pixel step of an arrow key; a null point for any other key.
QPoint ArrowStep(int Key);
// An arrow key: Selection moved one step, kept inside Desktop.
QRect Nudged(const QRect &Selection, const QPoint &Step, const QRect &Desktop);
// Shift and an arrow key: the right or bottom edge moved one step; the selection keeps at least
// one pixel each way.
QRect ShiftResized(const QRect &Selection, const QPoint &Step);

// The first of Windows (topmost first) that holds Point, or an empty rectangle.
QRect WindowAt(const std::vector<QRect> &Windows, const QPoint &Point);

// The box with the instructions, centred near the top of a screen, in its window's coordinates.
QRect HintBox(const TScreenArea &Screen);
// The panel of the spy-like pick, near the top of Screen, and the crosshair's box inside it; both
// in root-window pixels.
QRect SpyPanel(const TScreenArea &Screen);
QRect SpyTarget(const QRect &Panel, qreal Ratio);

} // namespace camera
