#pragma once
// Crossing between the model (GBK text, ui geometry and pictures) and Qt.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

#include <string>

#include "platform/ui/font.h"
#include "platform/ui/geometry.h"
#include "platform/ui/image.h"

namespace ui::qt {

QString ToQ(const std::string& gbk);
std::string FromQ(const QString& s);
// Multi-line edits: the model keeps CR LF, Qt line feeds.
QString ToQMultiline(const std::string& gbk);
std::string FromQMultiline(const QString& s);

QFont ToQFont(const Font& font);
QImage ToQImage(const Image& image);
inline QColor ToQColor(Color c) { return QColor(c.r, c.g, c.b); }
inline QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }
inline Rect FromQRect(const QRect& r) { return Rect::FromSize(r.x(), r.y(), r.width(), r.height()); }

}  // namespace ui::qt
