#include "platform/automation/winhttp/http_request_object.h"

#include <string>

#include "platform/automation/winhttp/http_exchange.h"
#include "platform/automation/winhttp/http_request_options.h"
#include "platform/codepage.h"

namespace platform {
namespace {

// A URL as libcurl takes it: UTF-8, with every byte outside printable ASCII percent-encoded.
// A unit that stands for a stray byte of a page goes out as that byte.
std::string UrlFromUtf16(std::u16string_view url) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (const char c : Utf16ToUtf8(url)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > 0x20 && byte < 0x7F) {
      encoded.push_back(c);
    } else {
      encoded.push_back('%');
      encoded.push_back(kHex[byte >> 4]);
      encoded.push_back(kHex[byte & 0xF]);
    }
  }
  return encoded;
}

InvokeResult Refused(AutomationError error) { return InvokeResult::Failure(error); }

class HttpRequestObject final : public DispatchObject {
 public:
  InvokeResult Invoke(std::u16string_view member, InvokeKind kind, Arguments args) override {
    return DispatchByName(*this, kMembers, member, kind, args);
  }

 private:
  InvokeResult SetTimeouts(Arguments args) {
    if (args.size() != 4) return Refused(AutomationError::kBadParamCount);
    int32_t ms[4];
    for (size_t i = 0; i < 4; ++i) {
      std::optional<int32_t> value = args[i].ToInt32();
      if (!value || *value < -1) return Refused(AutomationError::kTypeMismatch);
      ms[i] = *value;
    }
    exchange_.SetTimeouts(ms[0], ms[1], ms[2], ms[3]);
    return InvokeResult::Success();
  }

  InvokeResult SetProxy(Arguments args) {
    if (args.empty() || args.size() > 3) return Refused(AutomationError::kBadParamCount);
    std::optional<int32_t> setting = args[0].ToInt32();
    if (!setting) return Refused(AutomationError::kTypeMismatch);
    if (*setting != kRequestProxySettingNamed) return InvokeResult::Success();
    if (args.size() < 2) return Refused(AutomationError::kBadParamCount);
    std::optional<std::u16string> server = args[1].ToString();
    if (!server) return Refused(AutomationError::kTypeMismatch);
    exchange_.SetProxy(UrlFromUtf16(*server));
    return InvokeResult::Success();
  }

  InvokeResult Open(Arguments args) {
    if (args.size() < 2 || args.size() > 3) return Refused(AutomationError::kBadParamCount);
    std::optional<std::u16string> method = args[0].ToString();
    std::optional<std::u16string> url = args[1].ToString();
    if (!method || !url) return Refused(AutomationError::kTypeMismatch);
    if (args.size() == 3) {
      std::optional<bool> async = args[2].ToBool();
      if (!async) return Refused(AutomationError::kTypeMismatch);
      if (*async) return Refused(AutomationError::kException);  // synchronous only
    }
    if (!exchange_.Open(Utf16ToGbk(*method), UrlFromUtf16(*url))) {
      return Refused(AutomationError::kException);
    }
    return InvokeResult::Success();
  }

  // An indexed property: every use carries the option's index first.
  InvokeResult Option(InvokeKind kind, Arguments args) {
    if (args.empty()) return Refused(AutomationError::kBadParamCount);
    std::optional<int32_t> index = args[0].ToInt32();
    if (!index) return Refused(AutomationError::kTypeMismatch);
    if (*index != kRequestOptionEnableRedirects) return Refused(AutomationError::kException);
    if (kind == InvokeKind::kPut) {
      if (args.size() != 2) return Refused(AutomationError::kBadParamCount);
      std::optional<bool> follow = args[1].ToBool();
      if (!follow) return Refused(AutomationError::kTypeMismatch);
      followRedirects_ = *follow;
      exchange_.SetFollowRedirects(*follow);
      return InvokeResult::Success();
    }
    if (args.size() != 1) return Refused(AutomationError::kBadParamCount);
    return InvokeResult::Success(Variant::Bool(followRedirects_));
  }

  InvokeResult SetRequestHeader(Arguments args) {
    if (args.size() != 2) return Refused(AutomationError::kBadParamCount);
    std::optional<std::u16string> name = args[0].ToString();
    std::optional<std::u16string> value = args[1].ToString();
    if (!name || !value) return Refused(AutomationError::kTypeMismatch);
    if (!exchange_.SetRequestHeader(Utf16ToGbk(*name), Utf16ToGbk(*value))) {
      return Refused(AutomationError::kException);
    }
    return InvokeResult::Success();
  }

  InvokeResult Send(Arguments args) {
    if (args.size() > 1) return Refused(AutomationError::kBadParamCount);
    std::string text;
    std::string_view body;
    if (args.size() == 1 && !args[0].IsEmpty()) {
      if (const Variant::Bytes* bytes = args[0].BytesView()) {
        body = bytes->view();
      } else if (std::optional<std::u16string> string = args[0].ToString()) {
        text = Utf16ToGbk(*string);  // a string body goes out in the system code page
        body = text;
      } else {
        return Refused(AutomationError::kTypeMismatch);
      }
    }
    body_.reset();
    if (!exchange_.Send(body)) return Refused(AutomationError::kException);
    return InvokeResult::Success();
  }

  InvokeResult ResponseBody(Arguments args) {
    if (!args.empty()) return Refused(AutomationError::kBadParamCount);
    if (!exchange_.HasResponse()) return Refused(AutomationError::kException);
    // Made once per exchange: variants share their bytes, so later reads copy nothing.
    if (!body_) body_ = Variant::FromBytes(exchange_.TakeResponseBody());
    return InvokeResult::Success(*body_);
  }

  InvokeResult ResponseHeaders(Arguments args) {
    if (!args.empty()) return Refused(AutomationError::kBadParamCount);
    if (!exchange_.HasResponse()) return Refused(AutomationError::kException);
    return InvokeResult::Success(Variant::String(GbkToUtf16(exchange_.ResponseHeaders())));
  }

  InvokeResult Status(Arguments args) {
    if (!args.empty()) return Refused(AutomationError::kBadParamCount);
    if (!exchange_.HasResponse()) return Refused(AutomationError::kException);
    return InvokeResult::Success(Variant::Int32(exchange_.Status()));
  }

  static constexpr DispatchMember<HttpRequestObject> kMembers[] = {
      {"SetTimeouts", &HttpRequestObject::SetTimeouts},
      {"SetProxy", &HttpRequestObject::SetProxy},
      {"Open", &HttpRequestObject::Open},
      {.name = "Option", .indexed = &HttpRequestObject::Option},
      {"SetRequestHeader", &HttpRequestObject::SetRequestHeader},
      {"Send", &HttpRequestObject::Send},
      {"ResponseBody", &HttpRequestObject::ResponseBody},
      {"GetAllResponseHeaders", &HttpRequestObject::ResponseHeaders},
      {"Status", &HttpRequestObject::Status},
  };

  HttpExchange exchange_;
  std::optional<Variant> body_;
  bool followRedirects_ = true;
};

}  // namespace

std::shared_ptr<DispatchObject> CreateHttpRequestObject() {
  return std::make_shared<HttpRequestObject>();
}

}  // namespace platform
