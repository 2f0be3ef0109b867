#include "platform/ui/qt/qt_convert.h"

#include <QFontDatabase>

#include "platform/textconv.h"

namespace ui::qt {

QString ToQ(const std::string& gbk) { return QString::fromStdString(platform::GbkToUtf8(gbk)); }

std::string FromQ(const QString& s) { return platform::Utf8ToGbk(s.toStdString()); }

QString ToQMultiline(const std::string& gbk) {
  QString s = ToQ(gbk);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QChar('\r'), QChar('\n'));
  return s;
}

std::string FromQMultiline(const QString& s) {
  QString t = s;
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  t.replace(QChar('\n'), QStringLiteral("\r\n"));
  return FromQ(t);
}

QFont ToQFont(const Font& font) {
  // One CJK face stands in for every template face; sizes follow the points.
  static const QString family = [] {
    const QStringList families = QFontDatabase::families();
    for (const char* name : {"WenQuanYi Micro Hei", "WenQuanYi Zen Hei", "Noto Sans CJK SC"})
      if (families.contains(QString::fromLatin1(name))) return QString::fromLatin1(name);
    return QString();
  }();
  QFont f;
  if (!family.isEmpty()) f.setFamily(family);
  f.setPixelSize(font.PixelHeight());
  f.setBold(font.bold);
  f.setUnderline(font.underline);
  return f;
}

QImage ToQImage(const Image& image) {
  QImage out(image.Width(), image.Height(), QImage::Format_ARGB32);
  for (int y = 0; y < image.Height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < image.Width(); ++x) line[x] = image.Pixel(x, y);
  }
  return out;
}

}  // namespace ui::qt
