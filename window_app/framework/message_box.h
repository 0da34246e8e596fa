// Message boxes, from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "window_app/framework/window_description.h"

// Buttons (the low four bits of the flags).
inline constexpr uint32_t MB_OK = 0x0;
inline constexpr uint32_t MB_OKCANCEL = 0x1;
inline constexpr uint32_t MB_ABORTRETRYIGNORE = 0x2;
inline constexpr uint32_t MB_YESNOCANCEL = 0x3;
inline constexpr uint32_t MB_YESNO = 0x4;
inline constexpr uint32_t MB_RETRYCANCEL = 0x5;
// Icons.
inline constexpr uint32_t MB_ICONERROR = 0x10;
inline constexpr uint32_t MB_ICONQUESTION = 0x20;
inline constexpr uint32_t MB_ICONWARNING = 0x30;
inline constexpr uint32_t MB_ICONINFORMATION = 0x40;
// The default button: the second or third instead of the first.
inline constexpr uint32_t MB_DEFBUTTON2 = 0x100;
inline constexpr uint32_t MB_DEFBUTTON3 = 0x200;
// Modality.
inline constexpr uint32_t MB_SYSTEMMODAL = 0x1000;
inline constexpr uint32_t MB_TASKMODAL = 0x2000;

// Answers.
inline constexpr int32_t kAnswerNone = -1;  // the box could not be shown, or went with the program
inline constexpr int32_t kAnswerOk = 0;
inline constexpr int32_t kAnswerCancel = 1;
inline constexpr int32_t kAnswerAbort = 2;
inline constexpr int32_t kAnswerRetry = 3;
inline constexpr int32_t kAnswerIgnore = 4;
inline constexpr int32_t kAnswerYes = 5;
inline constexpr int32_t kAnswerNo = 6;

// Shows a box with the text and the flags' buttons and icon, captioned "信息：" unless a caption
// is given, and returns the button pressed. Closing the box counts as Cancel where there is a
// Cancel button and as OK for a box with OK alone; the other boxes cannot be closed so.
// MB_TASKMODAL is added unless MB_SYSTEMMODAL is given: a box of the main thread holds the
// program's windows until it is answered; a box asked for by another thread holds no window:
// the main thread shows it and goes on, and only the asking thread waits for the answer. With a
// parent, the box belongs to that window and holds it. When the last window of the program
// closes, the open boxes close with it and give kAnswerNone; so does a box asked for then, or
// before RtInitProgram.
int32_t CmdMessageBox(std::string_view text, std::optional<uint32_t> flags = std::nullopt,
                      std::optional<std::string_view> caption = std::nullopt,
                      const WindowDescription* parent = nullptr);
