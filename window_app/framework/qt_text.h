// GBK texts to and from the window system's strings, losslessly (stray bytes survive, see
// platform/codepage.h).
#pragma once

#include <QString>
#include <string_view>

#include "runtime/text.h"

namespace window_framework {

QString ToQString(std::string_view gbk);
Text FromQString(const QString& text);

}  // namespace window_framework
