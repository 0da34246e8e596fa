// The program's only window and its units.
#pragma once

#include "window_app/framework/window_description.h"

extern const WindowDescription kMainWindow;

// The log box, and the pause and start buttons above it.
inline constexpr Unit 编辑框_日志{&kMainWindow, 0};
inline constexpr Unit 按钮_暂停工作{&kMainWindow, 1};
inline constexpr Unit 按钮_开始工作{&kMainWindow, 2};
