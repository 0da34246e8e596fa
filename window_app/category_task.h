// The unit of work of the windowed program: one category, on a worker of the crawl's pool.
#pragma once

#include <cstdint>

// The pool's task routine: DownloadCategory(argument), argument being the 1-based record number
// in categories; the key is not used.
void CategoryTaskEntry(int32_t argument, int32_t key);

// Crawls record `index` of categories into saveFolder under the shared crawl rules, with the
// page-count and list-id markers searched case-sensitively, and logs the path of every saved
// file. An index outside 1..count is the fatal array-index error, before any folder or request.
// Reads categories and saveFolder without a lock: they must not change while tasks run.
void DownloadCategory(int32_t index);
