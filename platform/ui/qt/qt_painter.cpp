#include "platform/ui/qt/qt_painter.h"

#include <QFontMetrics>

#include "platform/ui/qt/qt_convert.h"

namespace ui::qt {

QtPainter::QtPainter(QPainter& p, const Rect& clip) : m_p(p), m_clip(clip) {
  m_p.setRenderHint(QPainter::Antialiasing, false);
}

void QtPainter::FillRect(const Rect& r, Color c) {
  if (!r.IsEmpty()) m_p.fillRect(ToQRect(r), ToQColor(c));
}

void QtPainter::DrawLine(Point from, Point to, Color c, int width) {
  if (from == to) return;
  QPen pen(ToQColor(c));
  pen.setWidth(std::max(1, width));
  pen.setCapStyle(Qt::FlatCap);
  m_p.setPen(pen);
  if (width <= 1) {
    // The end point is left out, as a pen drawn to a point does.
    int dx = to.x - from.x, dy = to.y - from.y;
    int steps = std::max(std::abs(dx), std::abs(dy));
    QPoint end(from.x + dx * (steps - 1) / steps, from.y + dy * (steps - 1) / steps);
    m_p.drawLine(QPoint(from.x, from.y), end);
  } else {
    m_p.drawLine(QLineF(from.x + 0.5, from.y + 0.5, to.x + 0.5, to.y + 0.5));
  }
}

void QtPainter::DrawRoundRect(const Rect& r, int ellipseW, int ellipseH, Color pen, int penWidth) {
  if (r.IsEmpty()) return;
  QPen p(ToQColor(pen));
  p.setWidth(std::max(1, penWidth));
  m_p.setPen(p);
  m_p.setBrush(Qt::NoBrush);
  m_p.drawRoundedRect(QRect(r.left, r.top, r.Width() - 1, r.Height() - 1), ellipseW / 2.0, ellipseH / 2.0);
}

void QtPainter::DrawImage(const Image& image, const Rect& src, const Rect& dst) {
  if (image.IsNull() || src.IsEmpty() || dst.IsEmpty()) return;
  m_p.drawImage(ToQRect(dst), ToQImage(image), ToQRect(src));
}

void QtPainter::FillPattern(const Rect& r, const Image& pattern) {
  if (pattern.IsNull() || r.IsEmpty()) return;
  QBrush brush(ToQImage(pattern));
  m_p.setBrushOrigin(0, 0);
  m_p.fillRect(ToQRect(r), brush);
}

void QtPainter::DrawText(const std::string& gbk, const Rect& r, const Font& font, Color c, unsigned format) {
  int flags = 0;
  flags |= (format & text_format::kCenter) ? Qt::AlignHCenter : (format & text_format::kRight) ? Qt::AlignRight : Qt::AlignLeft;
  flags |= (format & text_format::kVCenter) ? Qt::AlignVCenter : Qt::AlignTop;
  flags |= (format & text_format::kSingleLine) ? Qt::TextSingleLine : Qt::TextWordWrap;
  QString text = ToQ(gbk);
  if (format & text_format::kPrefix) flags |= Qt::TextShowMnemonic;
  m_p.setFont(ToQFont(font));
  // Wide enough that a measured text never wraps or clips by a rounding pixel.
  QRect box = ToQRect(r).adjusted(0, 0, 2, 2);
  if (format & text_format::kDisabled) {
    m_p.setPen(QColor(255, 255, 255));
    m_p.drawText(box.translated(1, 1), flags, text);
    m_p.setPen(QColor(128, 128, 128));
  } else {
    m_p.setPen(ToQColor(c));
  }
  m_p.drawText(box, flags, text);
}

Size QtPainter::MeasureText(const std::string& gbk, const Font& font) {
  QFontMetrics fm(ToQFont(font));
  return Size{fm.horizontalAdvance(ToQ(gbk)), fm.height()};
}

void QtPainter::DrawFocusRect(const Rect& r) {
  QPen pen(QColor(0, 0, 0));
  pen.setStyle(Qt::DotLine);
  m_p.setPen(pen);
  m_p.setBrush(Qt::NoBrush);
  m_p.drawRect(QRect(r.left, r.top, r.Width() - 1, r.Height() - 1));
}

}  // namespace ui::qt
