#include "runtime/array.h"

#include "platform/fatal_error.h"

namespace runtime_detail {

void CheckArrayIndex(int32_t index, int32_t count, const std::source_location& where) {
  if (index < 1) platform::RaiseFatalError(4, "数组成员引用下标必须大于等于1", where);
  if (index > count) platform::RaiseFatalError(1, "数组成员引用下标超出定义范围", where);
}

}  // namespace runtime_detail
