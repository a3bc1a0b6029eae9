// An HTTP service for tests: records every call with its arguments, answers
// with a response chosen by the test, and fails whichever calls the test
// names.
//
// By default every call succeeds: CrackUrl splits the URL by WinHTTP's
// rules, handles are numbered from 1 in the order they are opened, and the
// response is "HTTP/1.1 200 OK" with an empty body.
//
// Calls may come from two threads only in one way: CloseHandle from a
// stopping thread while ReceiveResponse waits (see blockReceive).

#ifndef FEED_COLLECTOR_TESTS_SUPPORT_FAKE_HTTP_SERVICE_H_
#define FEED_COLLECTOR_TESTS_SUPPORT_FAKE_HTTP_SERVICE_H_

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "web/http_service.h"

namespace feed {

struct FakeHttpCall {
  std::string function;  // "Open", "SetOption", ... as in HttpService
  HttpHandle handle = nullptr;  // the handle it was called on, if any
  // String arguments in order, as UTF-8 decoded from the UTF-16 passed
  // (up to the first NUL); an empty Bytes gives "".
  std::vector<std::string> strings;
  // The raw Bytes of the same arguments.
  std::vector<Bytes> raw;
  // Numeric arguments in order (lengths, flags, options, time-outs, ports).
  std::vector<int64_t> numbers;
};

class FakeHttpService : public HttpService {
 public:
  // --- What the fake answers.

  // Makes every call of |function| fail (false or a null handle).
  void Fail(const std::string& function) { failing_[function] = 0; }
  // Makes only the |nth| (from 1) call of |function| fail.
  void FailNth(const std::string& function, int nth) {
    failing_[function] = nth;
  }
  // The raw response headers (ASCII/Latin-1 text; the fake sends them as
  // UTF-16 with a NUL) and the body, handed out in the given pieces: each
  // QueryDataAvailable reports the next piece.
  void SetResponse(const std::string& rawHeaders,
                   std::vector<std::string> bodyPieces) {
    rawHeaders_ = rawHeaders;
    pieces_ = std::move(bodyPieces);
  }
  // After this many pieces, the next QueryDataAvailable (or ReadData) fails.
  void FailQueryDataAfter(int pieces) { failQueryAfter_ = pieces; }
  void FailReadDataAfter(int pieces) { failReadAfter_ = pieces; }
  // When set, CrackUrl reports these components instead of its own.
  std::optional<UrlComponents> components;
  // When set, ReceiveResponse waits until the request handle is closed
  // from another thread, then fails.
  bool blockReceive = false;

  // --- What was called.

  std::vector<FakeHttpCall> calls;
  // The |nth| (from 0) call of |function|, or null.
  const FakeHttpCall* Find(const std::string& function, int nth = 0) const;
  int Count(const std::string& function) const;
  // All function names in order, joined by " ".
  std::string Sequence() const;

  // --- HttpService.
  bool CheckPlatform() override;
  bool CrackUrl(const Bytes& url, uint32_t length, uint32_t flags,
                UrlComponents* components) override;
  HttpHandle Open(const Bytes& userAgent, uint32_t accessType,
                  const Bytes& proxyName, const Bytes& proxyBypass,
                  uint32_t flags) override;
  HttpHandle Connect(HttpHandle session, const Bytes& serverName,
                     int port) override;
  HttpHandle OpenRequest(HttpHandle connection, const Bytes& verb,
                         const Bytes& objectName, const Bytes& version,
                         const Bytes& referrer,
                         const std::vector<Bytes>& acceptTypes,
                         uint32_t flags) override;
  bool SetTimeouts(HttpHandle handle, int resolveTimeout, int connectTimeout,
                   int sendTimeout, int receiveTimeout) override;
  bool SetCredentials(HttpHandle request, uint32_t authTarget,
                      uint32_t authScheme, const Bytes& userName,
                      const Bytes& password) override;
  bool SetOption(HttpHandle handle, uint32_t option, uint32_t value) override;
  bool AddRequestHeaders(HttpHandle request, const Bytes& headers,
                         uint32_t length, uint32_t modifiers) override;
  bool SendRequest(HttpHandle request, const Bytes& headers,
                   uint32_t headersLength, const Bytes& optional,
                   uint32_t optionalLength, uint32_t totalLength,
                   uintptr_t context) override;
  bool ReceiveResponse(HttpHandle request) override;
  bool QueryDataAvailable(HttpHandle request,
                          uint32_t* bytesAvailable) override;
  bool ReadData(HttpHandle request, void* buffer, uint32_t size,
                uint32_t* bytesRead) override;
  bool QueryHeaders(HttpHandle request, uint32_t infoLevel, const Bytes& name,
                    void* buffer, uint32_t* bufferBytes,
                    uint32_t* index) override;
  bool CloseHandle(HttpHandle handle) override;
  int32_t CoInitialize() override;
  void CoUninitialize() override;
  void ProcessEvents() override;

 private:
  // Records the call and answers whether it is to succeed.
  bool Record(FakeHttpCall call);
  HttpHandle NewHandle() {
    return reinterpret_cast<HttpHandle>(static_cast<uintptr_t>(++handles_));
  }

  std::mutex mutex_;
  std::condition_variable closed_;
  std::map<std::string, int> failing_;
  std::map<std::string, int> counts_;
  std::string rawHeaders_ = "HTTP/1.1 200 OK\r\n\r\n";
  std::vector<std::string> pieces_;
  size_t piece_ = 0;
  size_t pieceRead_ = 0;
  int failQueryAfter_ = -1;
  int failReadAfter_ = -1;
  int handles_ = 0;
  std::vector<HttpHandle> closedHandles_;
};

// UTF-16LE with a NUL code unit, from ASCII/Latin-1 text.
Bytes WideBytes(const std::string& latin1);

}  // namespace feed

#endif  // FEED_COLLECTOR_TESTS_SUPPORT_FAKE_HTTP_SERVICE_H_
