// Window descriptions: what a window and its units look like and which routines their events
// call. A program describes its windows as constant data; the framework makes them (RtLoadWindow).
// Coordinates are pixels. Texts are GBK.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

enum class UnitKind { kEditBox, kButton };

// How an edit box behaves; the defaults are the log box's: multi-line, wrapping at its width.
struct EditBoxStyle {
  bool scrollBars = false;
  bool readOnly = false;
  // Hides the selection while the box does not have the focus.
  bool hideSelection = true;
};

struct UnitDescription {
  std::string_view name;
  UnitKind kind = UnitKind::kButton;
  std::string_view caption;
  // Relative to the window's client area.
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  // Buttons: runs on the main thread when the button is clicked.
  void (*onClick)() = nullptr;
  EditBoxStyle editBox;
};

struct WindowDescription {
  std::string_view name;
  std::string_view caption;
  // The window's outer size, frame and title bar included where the window system draws them.
  // The window is fixed in size, has a title bar, a system menu and a minimize button but no
  // maximize button, and is centred on the screen when it is shown.
  int32_t width = 0;
  int32_t height = 0;
  // Runs on the main thread once the window and all its units exist, before it is shown.
  void (*onCreate)() = nullptr;
  // In the order of the description, which is also the order of the keyboard focus.
  std::span<const UnitDescription> units;
};

// One unit of a described window: the window and the unit's index in its units.
struct Unit {
  const WindowDescription* window = nullptr;
  int32_t index = 0;
};
