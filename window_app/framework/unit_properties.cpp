#include "window_app/framework/unit_properties.h"

#include <QAbstractButton>

#include "runtime/conversions.h"
#include "window_app/framework/edit_box_widget.h"
#include "window_app/framework/main_thread.h"
#include "window_app/framework/qt_text.h"
#include "window_app/framework/window_registry.h"

namespace {

using window_framework::EditBoxWidget;

UnitValue EmptyValue(int32_t property) {
  return property == kUnitCaption ? UnitValue(Text()) : UnitValue(0);
}

// Main thread only; a unit of a window that is not loaded (any more) has the empty value.
UnitValue ReadNow(const Unit& unit, int32_t property) {
  QWidget* widget = window_framework::LoadedUnitWidget(unit);
  if (widget == nullptr) return EmptyValue(property);
  if (property == kUnitDisabled) return UnitValue(widget->isEnabledTo(widget->window()) ? 0 : 1);
  if (property == kUnitCaption) {
    if (auto* box = dynamic_cast<EditBoxWidget*>(widget)) {
      return window_framework::FromQString(box->TextWithCrLf());
    }
    if (auto* button = dynamic_cast<QAbstractButton*>(widget)) {
      return window_framework::FromQString(button->text());
    }
  }
  return EmptyValue(property);
}

void WriteNow(const Unit& unit, int32_t property, const UnitValue& value) {
  QWidget* widget = window_framework::LoadedUnitWidget(unit);
  if (widget == nullptr) return;
  if (property == kUnitDisabled) {
    widget->setEnabled(UnitValueInteger(value) == 0);
  } else if (property == kUnitCaption) {
    const QString caption = window_framework::ToQString(UnitValueText(value));
    if (auto* box = dynamic_cast<EditBoxWidget*>(widget)) {
      box->ReplaceText(caption);
    } else if (auto* button = dynamic_cast<QAbstractButton*>(widget)) {
      button->setText(caption);
    }
  }
}

}  // namespace

UnitValue RtReadUnitProperty(const Unit& unit, int32_t property,
                             const std::source_location& where) {
  window_framework::CheckEverLoaded(*unit.window, where);
  return window_framework::AskMainThread<UnitValue>(
             [unit, property] { return ReadNow(unit, property); })
      .value_or(EmptyValue(property));
}

void RtWriteUnitProperty(const Unit& unit, int32_t property, const UnitValue& value,
                         const std::source_location& where) {
  window_framework::CheckEverLoaded(*unit.window, where);
  // A closed window's units take nothing, and nothing is handed over for them.
  if (window_framework::StateOf(*unit.window) != window_framework::WindowState::kLoaded) return;
  window_framework::RunOnMainThread([unit, property, value] { WriteNow(unit, property, value); });
}

Text UnitValueText(const UnitValue& value) {
  if (const Text* text = std::get_if<Text>(&value)) return *text;
  return CmdToText(std::get<int32_t>(value));
}

int32_t UnitValueInteger(const UnitValue& value) {
  if (const int32_t* number = std::get_if<int32_t>(&value)) return *number;
  return CmdToInteger(std::get<Text>(value));
}
