// Appending to an edit box, from any thread.
#pragma once

#include <source_location>
#include <string_view>
#include <vector>

#include "window_app/framework/window_description.h"

// Appends each text at the end of the box, in order: the caret goes to the end, is scrolled into
// view, and the text is inserted there without an undo step (the box's undo history is cleared,
// as a replacement that cannot be undone does). Everything the box held stays. The box stores
// "\r\n" as its line break; a lone "\r" or "\n" also breaks the line and reads back as "\r\n".
// From another thread the append is carried to the main thread as a property write is
// (unit_properties.h): in order, without waiting, dropped once the window has been closed.
void CmdEditAppend(const Unit& editBox, const std::vector<std::string_view>& texts,
                   const std::source_location& where = std::source_location::current());
template <typename... Texts>
void CmdEditAppend(const Unit& editBox, const Texts&... texts) {
  CmdEditAppend(editBox, std::vector<std::string_view>{std::string_view(texts)...});
}
