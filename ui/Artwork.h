// The program's pictures, colours and fonts. Every picture is an SVG file of res/, drawn by
// Qt Svg at the screen's scale, so the windows stay sharp at 1× and 2×.
#pragma once

#include <optional>

#include "torvex/Result.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QRectF>
#include <QString>

class QPainter;

namespace Calvorn {

inline const QColor kAccent{0x1B, 0x75, 0xBB};
inline const QColor kAccentDark{0x0B, 0x3A, 0x5E};
inline const QColor kAccentLight{0xDC, 0xEA, 0xF8};
inline const QColor kText{0x2B, 0x3A, 0x4A};
inline const QColor kMutedText{0x8A, 0x99, 0xA8};
inline const QColor kListFrame{0xAA, 0xB6, 0xC2};
inline const QColor kListSelection{0xD7, 0xE7, 0xF5};
inline const QColor kProgressGroove{232, 232, 232};
inline const QColor kLowerSection{0xF5, 0xF8, 0xFB};

// Registers the artwork resource of this library; safe to call any number of times.
void EnsureArtwork();

// The program's font: a CJK-capable sans serif at `pixelSize`.
QFont UiFont(int pixelSize, bool bold = false);

// Draws the SVG `resource` (":/calvorn/...") into `target`.
void PaintSvg(QPainter& painter, const QString& resource, const QRectF& target);

// `resource` rendered at `size` logical pixels for a screen of `devicePixelRatio`.
QPixmap RenderSvg(const QString& resource, const QSize& size, qreal devicePixelRatio);

// Image `index` of the list's twelve images (kinds 0..6, statuses 7..11).
QIcon ListImage(int index);

// The list image of a source kind (none: a row a scan could not take), -1 for none.
int KindImage(std::optional<Torvex::FileKind> kind);

QIcon AppIcon();

// The look of fields, buttons, group boxes and the list shared by the program's windows.
QString WindowStyleSheet();

// Fusion with the program's colours, for every window including message boxes.
void ApplyApplicationLook();

}  // namespace Calvorn
