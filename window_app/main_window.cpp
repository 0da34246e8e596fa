#include "window_app/main_window.h"

#include <array>

#include "window_app/crawl_job.h"
#include "window_app/jpg_list.h"

namespace {

// In the order of the window's description; the indices are those of main_window.h.
constexpr std::array<UnitDescription, 3> kUnits{{
    {.name = "编辑框_日志",
     .kind = UnitKind::kEditBox,
     .caption = "",
     .left = 0,
     .top = 32,
     .width = 344,
     .height = 376,
     .onClick = nullptr,
     .editBox = {.scrollBars = false, .readOnly = false, .hideSelection = true}},
    {.name = "按钮_暂停工作",
     .kind = UnitKind::kButton,
     .caption = "暂停",
     .left = 179,
     .top = 7,
     .width = 60,
     .height = 24,
     .onClick = &OnPauseButtonClick,
     .editBox = {}},
    {.name = "按钮_开始工作",
     .kind = UnitKind::kButton,
     .caption = "开始",
     .left = 65,
     .top = 7,
     .width = 60,
     .height = 24,
     .onClick = &OnStartButtonClick,
     .editBox = {}},
}};

}  // namespace

const WindowDescription kMainWindow{
    .name = "启动窗口",
    .caption = "TrovanelVv1.0",
    .width = 351,
    .height = 438,
    .onCreate = &LoadJpgList,
    .units = kUnits,
};
