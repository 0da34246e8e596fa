#include "tools/sample_site/page_markup.h"

namespace sample_site {
namespace {

std::string Head(const std::string& title) {
  return "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n"
         "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" />\r\n"
         "<title>" +
         title + "_幼儿园课件</title>\r\n</head>\r\n<body>\r\n";
}

const char kFoot[] = "<div class=\"footer\">Copyright 示例课件网</div>\r\n</body>\r\n</html>\r\n";

std::string Pager(const std::string& listId, int page, int pageCount, int itemCount) {
  std::string html = "<div class=\"dede_pages\"><ul class=\"pagelist\">\r\n";
  html += "<li><span class=\"pageinfo\">共 <strong>" + std::to_string(pageCount) +
          "</strong>页<strong>" + std::to_string(itemCount) + "</strong>条</span></li>\r\n";
  const auto link = [&](int n, const std::string& text) {
    html += "<li><a href='list_" + listId + "_" + std::to_string(n) + ".html'>" + text +
            "</a></li>\r\n";
  };
  link(1, "首页");
  if (page > 1) link(page - 1, "上一页");
  if (page < pageCount) link(page + 1, "下一页");
  if (pageCount > 0) link(pageCount, "末页");
  html += "</ul></div>\r\n";
  return html;
}

}  // namespace

std::string CategoryPageHtml(const Category& category, const std::string& listId, int pageCount,
                             int itemCount) {
  return Head(category.linkText) + "<div class=\"place\">当前位置：" + category.heading + " > " +
         category.linkText + "</div>\r\n" + Pager(listId, 0, pageCount, itemCount) + kFoot;
}

std::string ListPageHtml(const Category& category, const std::string& listId, int page,
                         int pageCount, const std::vector<ListEntry>& entries) {
  std::string html = Head(category.linkText + "_第" + std::to_string(page) + "页");
  html += "<ul class=\"e2\">\r\n";
  for (const ListEntry& entry : entries) {
    const std::string quote = entry.titleMarkup ? "\"" : "'";
    html += "<li><div align=\"center\"><a href=\"" + entry.detailLink + "\" title=" + quote +
            entry.title + quote + " target=\"_blank\"><img src=\"/uploads/allimg/s.jpg\" " +
            "border=\"0\" width=\"120\" height=\"90\"></a></div></li>\r\n";
  }
  html += "</ul>\r\n";
  html += Pager(listId, page, pageCount, static_cast<int>(entries.size()) * pageCount);
  return html + kFoot;
}

std::string DetailPageHtml(const std::string& title, const std::string& scriptQuery) {
  return Head(title) + "<h1>" + title + "</h1>\r\n<div class=\"content\">课件简介：" + title +
         "</div>\r\n<div class=\"downlink\"><a href='/plus/download.php?" + scriptQuery +
         "' target='_blank'>点击进入下载页面</a></div>\r\n" + kFoot;
}

std::string ScriptPageHtml(const std::string& title, const std::string& fileQuery) {
  return Head("下载 " + title) + "<ul class=\"downurllist\">\r\n<li><a href=\"/plus/download.php?" +
         fileQuery + "\" target=\"_blank\">本地下载</a></li>\r\n</ul>\r\n" + kFoot;
}

std::string NotFoundHtml() { return Head("404") + "<p>404 页面不存在</p>\r\n" + kFoot; }

}  // namespace sample_site
