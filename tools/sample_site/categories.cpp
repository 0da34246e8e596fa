#include "tools/sample_site/categories.h"

#include <stdexcept>

namespace sample_site {

const std::vector<Category>& BuiltInCategories() {
  static const std::vector<Category> categories = {
      {"幼儿园flash动画", "1.汉语拼音flash动画", "/1s/yuwen/flash/36615.html"},
      {"幼儿园flash动画", "2.英文字母flash动画", "/3s/yingyu/zimu/"},
      {"幼儿园flash动画", "3.成语故事flash动画", "/youeryuan/chengyu/"},
      {"幼儿园flash动画", "4.寓言故事flash动画", "/youeryuan/yuyan/"},
      {"幼儿园flash动画", "5.童话故事flash动画", "/youeryuan/tonghua/"},
      {"幼儿园flash动画", "6.经典儿歌flash动画", "/youeryuan/erge/"},
      {"幼儿园flash动画", "7.益智游戏flash动画", "/youeryuan/youxi/"},
      {"幼儿园flash动画", "8.绘本故事flash动画", "/youeryuan/huiben/"},
      {"幼儿园小班ppt课件", "1.小班健康ppt课件", "/youeryuan/xiaobanjiankang/"},
      {"幼儿园小班ppt课件", "2.小班艺术ppt课件", "/youeryuan/xiaobanyishu/"},
      {"幼儿园小班ppt课件", "3.小班科学ppt课件", "/youeryuan/xiaobankexue/"},
      {"幼儿园小班ppt课件", "4.小班语言ppt课件", "/youeryuan/xiaobanyuyan/"},
      {"幼儿园小班ppt课件", "5.小班社会ppt课件", "/youeryuan/xiaobanshehui/"},
      {"幼儿园小班教案", "幼儿园小班健康教案", "/youeryuan/xbjk/"},
      {"幼儿园小班教案", "幼儿园小班艺术教案", "/youeryuan/xbys/"},
      {"幼儿园小班教案", "幼儿园小班科学教案", "/youeryuan/xbkx/"},
      {"幼儿园小班教案", "幼儿园小班语言教案", "/youeryuan/xbyy/"},
      {"幼儿园小班教案", "幼儿园小班社会教案", "/youeryuan/xbja/"},
      {"幼儿园中班ppt课件", "1.中班健康ppt课件", "/youeryuan/zhongbanjiankang/"},
      {"幼儿园中班ppt课件", "2.中班艺术ppt课件", "/youeryuan/zhongbanyishu/"},
      {"幼儿园中班ppt课件", "3.中班科学ppt课件", "/youeryuan/zhongbankexue/"},
      {"幼儿园中班ppt课件", "4.中班语言ppt课件", "/youeryuan/zhongbanyuyan/"},
      {"幼儿园中班ppt课件", "5.中班社会ppt课件", "/youeryuan/zhongbanshehui/"},
      {"幼儿园中班教案", "幼儿园中班健康教案", "/youeryuan/zbjk/"},
      {"幼儿园中班教案", "幼儿园中班艺术教案", "/youeryuan/zbys/"},
      {"幼儿园中班教案", "幼儿园中班科学教案", "/youeryuan/zbkx/"},
      {"幼儿园中班教案", "幼儿园中班语言教案", "/youeryuan/zbyy/"},
      {"幼儿园中班教案", "幼儿园中班社会教案", "/youeryuan/zbsh/"},
      {"幼儿园大班ppt课件", "1.大班健康ppt课件", "/youeryuan/dabanjiankang/"},
      {"幼儿园大班ppt课件", "2.大班艺术ppt课件", "/youeryuan/dabanyishu/"},
      {"幼儿园大班ppt课件", "3.大班科学ppt课件", "/youeryuan/dabankexue/"},
      {"幼儿园大班ppt课件", "4.大班语言ppt课件", "/youeryuan/dabanyuyan/"},
      {"幼儿园大班ppt课件", "5.大班社会ppt课件", "/youeryuan/dabanshehui/"},
      {"幼儿园大班教案", "幼儿园大班健康教案", "/youeryuan/dbjk/"},
      {"幼儿园大班教案", "幼儿园大班艺术教案", "/youeryuan/dbys/"},
      {"幼儿园大班教案", "幼儿园大班科学教案", "/youeryuan/dbkx/"},
      {"幼儿园大班教案", "幼儿园大班语言教案", "/youeryuan/dbyy/"},
      {"幼儿园大班教案", "幼儿园大班社会教案", "/youeryuan/dbsh/"},
      {"走近小学", "幼小衔接语文ppt课件", "/youeryuan/yw/"},
      {"走近小学", "幼小衔接数学ppt课件", "/youeryuan/sx/"},
      {"走近小学", "幼小衔接讲座ppt课件", "/youeryuan/jiangzuo/"},
      {"走近小学", "幼小衔接家长会ppt", "/youeryuan/jzh/"},
  };
  return categories;
}

std::vector<Category> SelectCategories(const std::vector<int>& recordNumbers) {
  const std::vector<Category>& all = BuiltInCategories();
  std::vector<Category> selected;
  for (int number : recordNumbers) {
    if (number < 1 || number > static_cast<int>(all.size())) {
      throw std::out_of_range("no built-in category " + std::to_string(number));
    }
    selected.push_back(all[number - 1]);
  }
  return selected;
}

}  // namespace sample_site
