#include "toolkit/trimming.h"

#include "runtime/text_operations.h"
#include "toolkit/regex_object.h"

Text TrimLineBreaks(Text text) {
  if (CmdTextLeft(text, 2) == "\r\n") text = CmdTextRight(text, CmdTextLength(text) - 2);
  if (CmdTextRight(text, 2) == "\r\n") text = CmdTextLeft(text, CmdTextLength(text) - 2);
  RegexObject lineBreaks;
  lineBreaks.Create(kLineBreakPattern, text);
  return lineBreaks.Replace("");
}

Text TrimBlanks(Text text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == Text::npos) return Text();
  const size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}
