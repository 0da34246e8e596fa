#include "window_app/framework/qt_text.h"

#include "platform/codepage.h"

namespace window_framework {

QString ToQString(std::string_view gbk) {
  const std::u16string utf16 = platform::GbkToUtf16(gbk);
  return QString(reinterpret_cast<const QChar*>(utf16.data()),
                 static_cast<qsizetype>(utf16.size()));
}

Text FromQString(const QString& text) {
  return platform::Utf16ToGbk(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                  static_cast<size_t>(text.size())));
}

}  // namespace window_framework
