#include "tests/support/fake_http_service.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "text/utf16_bytes.h"
#include "web/winhttp_rules.h"

namespace feed {
namespace {

std::u16string Units(const Bytes& bytes) {
  return UnitsBeforeNulOf(bytes.view());
}

// Enough UTF-8 for test expectations: the Basic Multilingual Plane.
std::string Utf8(const Bytes& bytes) {
  std::string out;
  for (char16_t c : Units(bytes)) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

FakeHttpCall MakeCall(const char* function, HttpHandle handle,
                      std::vector<const Bytes*> strings,
                      std::vector<int64_t> numbers) {
  FakeHttpCall call;
  call.function = function;
  call.handle = handle;
  for (const Bytes* s : strings) {
    call.strings.push_back(Utf8(*s));
    call.raw.push_back(*s);
  }
  call.numbers = std::move(numbers);
  return call;
}

}  // namespace

Bytes WideBytes(const std::string& latin1) {
  std::string out;
  for (char c : latin1) {
    out += c;
    out += '\0';
  }
  out += std::string(2, '\0');
  return Bytes(std::move(out));
}

const FakeHttpCall* FakeHttpService::Find(const std::string& function,
                                          int nth) const {
  for (const FakeHttpCall& call : calls) {
    if (call.function == function && nth-- == 0) return &call;
  }
  return nullptr;
}

int FakeHttpService::Count(const std::string& function) const {
  return static_cast<int>(
      std::count_if(calls.begin(), calls.end(),
                    [&](const FakeHttpCall& c) { return c.function == function; }));
}

std::string FakeHttpService::Sequence() const {
  std::string out;
  for (const FakeHttpCall& call : calls) {
    if (!out.empty()) out += ' ';
    out += call.function;
  }
  return out;
}

bool FakeHttpService::Record(FakeHttpCall call) {
  std::lock_guard<std::mutex> lock(mutex_);
  int nth = ++counts_[call.function];
  auto failing = failing_.find(call.function);
  bool fail = failing != failing_.end() &&
              (failing->second == 0 || failing->second == nth);
  calls.push_back(std::move(call));
  return !fail;
}

bool FakeHttpService::CheckPlatform() {
  return Record(MakeCall("CheckPlatform", nullptr, {}, {}));
}

bool FakeHttpService::CrackUrl(const Bytes& url, uint32_t length,
                               uint32_t flags, UrlComponents* out) {
  if (!Record(MakeCall("CrackUrl", nullptr, {&url}, {length, flags})))
    return false;
  if (components) {
    *out = *components;
    return true;
  }
  std::u16string units = Units(url);
  if (length < units.size()) units.resize(length);
  return CrackWinHttpUrl(units, out);
}

HttpHandle FakeHttpService::Open(const Bytes& userAgent, uint32_t accessType,
                                 const Bytes& proxyName,
                                 const Bytes& proxyBypass, uint32_t flags) {
  if (!Record(MakeCall("Open", nullptr, {&userAgent, &proxyName, &proxyBypass},
                       {accessType, flags})))
    return nullptr;
  return NewHandle();
}

HttpHandle FakeHttpService::Connect(HttpHandle session, const Bytes& serverName,
                                    int port) {
  if (!Record(MakeCall("Connect", session, {&serverName}, {port})))
    return nullptr;
  return NewHandle();
}

HttpHandle FakeHttpService::OpenRequest(HttpHandle connection,
                                        const Bytes& verb,
                                        const Bytes& objectName,
                                        const Bytes& version,
                                        const Bytes& referrer,
                                        const std::vector<Bytes>& acceptTypes,
                                        uint32_t flags) {
  if (!Record(MakeCall("OpenRequest", connection,
                       {&verb, &objectName, &version, &referrer},
                       {static_cast<int64_t>(acceptTypes.size()), flags})))
    return nullptr;
  return NewHandle();
}

bool FakeHttpService::SetTimeouts(HttpHandle handle, int resolveTimeout,
                                  int connectTimeout, int sendTimeout,
                                  int receiveTimeout) {
  return Record(MakeCall("SetTimeouts", handle, {},
                         {resolveTimeout, connectTimeout, sendTimeout,
                          receiveTimeout}));
}

bool FakeHttpService::SetCredentials(HttpHandle request, uint32_t authTarget,
                                     uint32_t authScheme,
                                     const Bytes& userName,
                                     const Bytes& password) {
  return Record(MakeCall("SetCredentials", request, {&userName, &password},
                         {authTarget, authScheme}));
}

bool FakeHttpService::SetOption(HttpHandle handle, uint32_t option,
                                uint32_t value) {
  return Record(MakeCall("SetOption", handle, {}, {option, value}));
}

bool FakeHttpService::AddRequestHeaders(HttpHandle request,
                                        const Bytes& headers, uint32_t length,
                                        uint32_t modifiers) {
  return Record(MakeCall("AddRequestHeaders", request, {&headers},
                         {length, modifiers}));
}

bool FakeHttpService::SendRequest(HttpHandle request, const Bytes& headers,
                                  uint32_t headersLength,
                                  const Bytes& optional,
                                  uint32_t optionalLength,
                                  uint32_t totalLength, uintptr_t context) {
  FakeHttpCall call = MakeCall("SendRequest", request, {&headers}, {});
  // The body is bytes, not UTF-16: kept as it came.
  call.strings.push_back(std::string(optional.view()));
  call.raw.push_back(optional);
  call.numbers = {headersLength, optionalLength, totalLength,
                  static_cast<int64_t>(context)};
  return Record(std::move(call));
}

bool FakeHttpService::ReceiveResponse(HttpHandle request) {
  if (!Record(MakeCall("ReceiveResponse", request, {}, {}))) return false;
  if (!blockReceive) return true;
  std::unique_lock<std::mutex> lock(mutex_);
  closed_.wait(lock, [&] {
    return std::find(closedHandles_.begin(), closedHandles_.end(), request) !=
           closedHandles_.end();
  });
  return false;
}

bool FakeHttpService::QueryDataAvailable(HttpHandle request,
                                         uint32_t* bytesAvailable) {
  *bytesAvailable = 0;
  if (!Record(MakeCall("QueryDataAvailable", request, {}, {}))) return false;
  if (failQueryAfter_ >= 0 && piece_ >= static_cast<size_t>(failQueryAfter_))
    return false;
  if (piece_ < pieces_.size())
    *bytesAvailable = static_cast<uint32_t>(pieces_[piece_].size() - pieceRead_);
  return true;
}

bool FakeHttpService::ReadData(HttpHandle request, void* buffer, uint32_t size,
                               uint32_t* bytesRead) {
  *bytesRead = 0;
  if (!Record(MakeCall("ReadData", request, {}, {size}))) return false;
  if (failReadAfter_ >= 0 && piece_ >= static_cast<size_t>(failReadAfter_))
    return false;
  if (piece_ >= pieces_.size()) return true;
  const std::string& piece = pieces_[piece_];
  size_t n = std::min<size_t>(size, piece.size() - pieceRead_);
  std::memcpy(buffer, piece.data() + pieceRead_, n);
  pieceRead_ += n;
  if (pieceRead_ == piece.size()) {
    ++piece_;
    pieceRead_ = 0;
  }
  *bytesRead = static_cast<uint32_t>(n);
  return true;
}

bool FakeHttpService::QueryHeaders(HttpHandle request, uint32_t infoLevel,
                                   const Bytes& name, void* buffer,
                                   uint32_t* bufferBytes, uint32_t* index) {
  if (!Record(MakeCall("QueryHeaders", request, {&name},
                       {infoLevel, *bufferBytes, *index})))
    return false;
  Bytes text = WideBytes(rawHeaders_);
  if (buffer == nullptr || *bufferBytes < text.size()) {
    *bufferBytes = static_cast<uint32_t>(text.size());
    return false;
  }
  std::memcpy(buffer, text.data(), text.size());
  *bufferBytes = static_cast<uint32_t>(text.size() - 2);
  return true;
}

bool FakeHttpService::CloseHandle(HttpHandle handle) {
  bool ok = Record(MakeCall("CloseHandle", handle, {}, {}));
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closedHandles_.push_back(handle);
  }
  closed_.notify_all();
  return ok;
}

int32_t FakeHttpService::CoInitialize() {
  Record(MakeCall("CoInitialize", nullptr, {}, {}));
  return 0;
}

void FakeHttpService::CoUninitialize() {
  Record(MakeCall("CoUninitialize", nullptr, {}, {}));
}

void FakeHttpService::ProcessEvents() {
  Record(MakeCall("ProcessEvents", nullptr, {}, {}));
}

}  // namespace feed
