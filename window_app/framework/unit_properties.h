// Properties of the units of a loaded window, from any thread.
//
// On the main thread a property is read or written at once. From another thread a write is
// handed to the main thread and the call returns without waiting for it; writes from one thread
// take effect in the order they were made, and before anything that thread asks of the main
// thread afterwards. A read from another thread waits until the main thread has answered it.
// So the main thread never waits for another thread here, and another thread waits only for
// the main thread's next turn at its events.
//
// A unit used while its window has never been loaded is the fatal error
// "未载入欲访问窗口组件所在的窗口". Once the window has been closed, writes are dropped and reads
// give the empty value: threads still running while the program ends do not turn its end into
// a fatal report.
#pragma once

#include <cstdint>
#include <source_location>
#include <variant>

#include "runtime/text.h"
#include "window_app/framework/window_description.h"

// The disabled state: 1 disabled, 0 enabled (an integer).
inline constexpr int32_t kUnitDisabled = 6;
// The caption (a text): a button's label; an edit box's whole text, its line breaks as "\r\n".
inline constexpr int32_t kUnitCaption = 10;

using UnitValue = std::variant<int32_t, Text>;

// The property's value: a text for the caption, an integer otherwise; the empty value ("" or 0)
// for a property the unit does not have and after the window has been closed.
UnitValue RtReadUnitProperty(const Unit& unit, int32_t property,
                             const std::source_location& where = std::source_location::current());

// Sets the property. An integer written to the caption becomes its decimal text; a text written
// to the disabled state counts as its number. Properties the unit does not have are ignored.
void RtWriteUnitProperty(const Unit& unit, int32_t property, const UnitValue& value,
                         const std::source_location& where = std::source_location::current());

// The value as a text (an integer in decimal) and as an integer (a text read as a number).
Text UnitValueText(const UnitValue& value);
int32_t UnitValueInteger(const UnitValue& value);
