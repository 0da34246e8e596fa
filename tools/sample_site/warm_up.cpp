#include "tools/sample_site/warm_up.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace sample_site {
namespace {

class MemoryStream : public httplib::Stream {
 public:
  explicit MemoryStream(std::string input) : input_(std::move(input)) {}

  bool is_readable() const override { return true; }
  bool is_writable() const override { return true; }
  ssize_t read(char* ptr, size_t size) override {
    const size_t count = std::min(size, input_.size() - position_);
    std::memcpy(ptr, input_.data() + position_, count);
    position_ += count;
    return static_cast<ssize_t>(count);
  }
  ssize_t write(const char*, size_t size) override { return static_cast<ssize_t>(size); }
  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    ip = "127.0.0.1";
    port = 0;
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    ip = "127.0.0.1";
    port = 0;
  }
  socket_t socket() const override { return -1; }

 private:
  std::string input_;
  size_t position_ = 0;
};

}  // namespace

void WarmableServer::WarmUp(const char* path) {
  MemoryStream stream(std::string("GET ") + path +
                      " HTTP/1.1\r\nHost: warm-up\r\nAccept: */*\r\n\r\n");
  bool closed = false;
  process_request(stream, true, closed, nullptr);
}

}  // namespace sample_site
