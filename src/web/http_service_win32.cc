// The HTTP service over the system's WinHTTP. The program is not linked
// against winhttp.dll or ole32.dll: each entry point is looked up by name at
// its first call and remembered. Our handles stand for WinHTTP's (see
// handle_table.h), and a request's blocking calls run on pool threads (see
// CallRunner) so that closing the request breaks them off.

#include <windows.h>
#include <objbase.h>
#include <winhttp.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "text/environment.h"
#include "web/handle_table.h"
#include "web/http_service.h"
#include "web/system_entry_win32.h"

namespace feed {
namespace {

constexpr char kWinHttp[] = "Winhttp.dll";
constexpr char kOle32[] = "ole32.dll";

LazyEntry<decltype(&::WinHttpCheckPlatform)> g_check_platform{
    kWinHttp, "WinHttpCheckPlatform"};
LazyEntry<decltype(&::WinHttpCrackUrl)> g_crack_url{kWinHttp,
                                                    "WinHttpCrackUrl"};
LazyEntry<decltype(&::WinHttpOpen)> g_open{kWinHttp, "WinHttpOpen"};
LazyEntry<decltype(&::WinHttpConnect)> g_connect{kWinHttp, "WinHttpConnect"};
LazyEntry<decltype(&::WinHttpOpenRequest)> g_open_request{
    kWinHttp, "WinHttpOpenRequest"};
LazyEntry<decltype(&::WinHttpSetTimeouts)> g_set_timeouts{
    kWinHttp, "WinHttpSetTimeouts"};
LazyEntry<decltype(&::WinHttpSetCredentials)> g_set_credentials{
    kWinHttp, "WinHttpSetCredentials"};
LazyEntry<decltype(&::WinHttpSetOption)> g_set_option{kWinHttp,
                                                      "WinHttpSetOption"};
LazyEntry<decltype(&::WinHttpAddRequestHeaders)> g_add_request_headers{
    kWinHttp, "WinHttpAddRequestHeaders"};
LazyEntry<decltype(&::WinHttpSendRequest)> g_send_request{
    kWinHttp, "WinHttpSendRequest"};
LazyEntry<decltype(&::WinHttpReceiveResponse)> g_receive_response{
    kWinHttp, "WinHttpReceiveResponse"};
LazyEntry<decltype(&::WinHttpQueryDataAvailable)> g_query_data_available{
    kWinHttp, "WinHttpQueryDataAvailable"};
LazyEntry<decltype(&::WinHttpReadData)> g_read_data{kWinHttp,
                                                    "WinHttpReadData"};
LazyEntry<decltype(&::WinHttpQueryHeaders)> g_query_headers{
    kWinHttp, "WinHttpQueryHeaders"};
LazyEntry<decltype(&::WinHttpCloseHandle)> g_close_handle{
    kWinHttp, "WinHttpCloseHandle"};
LazyEntry<decltype(&::CoInitialize)> g_co_initialize{kOle32, "CoInitialize"};
LazyEntry<decltype(&::CoUninitialize)> g_co_uninitialize{kOle32,
                                                         "CoUninitialize"};

// The code units of |bytes| up to its first NUL, as a string of its own: a
// caller's Bytes need not be aligned or terminated.
std::wstring Wide(const Bytes& bytes) {
  std::wstring wide(bytes.size() / 2, L'\0');
  for (size_t i = 0; i < wide.size(); ++i) {
    wide[i] = static_cast<wchar_t>(
        static_cast<unsigned char>(bytes.data()[2 * i]) |
        static_cast<unsigned char>(bytes.data()[2 * i + 1]) << 8);
  }
  size_t nul = wide.find(L'\0');
  if (nul != std::wstring::npos) wide.resize(nul);
  return wide;
}

// An empty Bytes stands for a null string.
const wchar_t* OrNull(const Bytes& bytes, const std::wstring& wide) {
  return bytes.empty() ? nullptr : wide.c_str();
}

UrlPart Locate(const wchar_t* url, const wchar_t* part, DWORD length) {
  if (part == nullptr) return UrlPart{};
  return UrlPart{static_cast<int>(part - url), static_cast<int>(length)};
}

// One blocking call handed to a pool thread, and the caller's wait for it.
struct PendingCall {
  std::mutex mutex;
  std::condition_variable changed;
  std::function<bool()> job;
  bool finished = false;
  bool result = false;
  bool abandoned = false;
};

// Threads that make blocking calls for callers who may stop waiting. A
// thread waits up to a minute for more work before it ends; there is
// always a free thread for a new call, so no call waits behind another.
class CallPool {
 public:
  static CallPool& Get() {
    static CallPool* pool = new CallPool();  // threads use it until exit
    return *pool;
  }

  void Submit(std::shared_ptr<PendingCall> call) {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(call));
    if (queue_.size() > waiting_) std::thread(&CallPool::Serve, this).detach();
    wake_.notify_one();
  }

 private:
  void Serve() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
      ++waiting_;
      bool work = wake_.wait_for(lock, std::chrono::minutes(1),
                                 [this] { return !queue_.empty(); });
      --waiting_;
      if (!work) return;
      std::shared_ptr<PendingCall> call = std::move(queue_.front());
      queue_.pop_front();
      lock.unlock();
      bool result = call->job();
      {
        std::lock_guard<std::mutex> callLock(call->mutex);
        call->job = nullptr;
        call->result = result;
        call->finished = true;
      }
      call->changed.notify_all();
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::shared_ptr<PendingCall>> queue_;
  size_t waiting_ = 0;
};

// Makes the blocking calls of one request on pool threads. A synchronous
// WinHTTP call does not return when its handle is closed on another thread
// (under Wine it waits for its time-out), so the caller waits here instead
// and stops waiting as soon as the request is closed. A call still running
// then finishes by itself; everything it touches is owned by the call.
class CallRunner {
 public:
  // Owner's thread: runs |call| and returns its result; false, without
  // waiting further, once the runner is abandoned.
  bool Run(std::function<bool()> job) {
    auto call = std::make_shared<PendingCall>();
    call->job = std::move(job);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (abandoned_) return false;
      current_ = call;
    }
    CallPool::Get().Submit(call);
    bool result = false;
    {
      std::unique_lock<std::mutex> lock(call->mutex);
      call->changed.wait(lock, [&] { return call->finished || call->abandoned; });
      result = call->finished && call->result;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    current_ = nullptr;
    return result;
  }

  // Any thread: ends the wait of Run, now and for every later call.
  void Abandon() {
    std::shared_ptr<PendingCall> call;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      abandoned_ = true;
      call = current_;
    }
    if (call == nullptr) return;
    {
      std::lock_guard<std::mutex> lock(call->mutex);
      call->abandoned = true;
    }
    call->changed.notify_all();
  }

 private:
  std::mutex mutex_;
  bool abandoned_ = false;
  std::shared_ptr<PendingCall> current_;
};

// A WinHTTP handle behind one of our handles, closed when ours is.
class WinHttpObject : public HandleObject {
 public:
  explicit WinHttpObject(HINTERNET handle) : handle(handle) {}
  void Closed() override { g_close_handle.get()(handle); }
  const HINTERNET handle;
};

class WinHttpRequest : public WinHttpObject {
 public:
  using WinHttpObject::WinHttpObject;
  void Closed() override {
    runner.Abandon();
    WinHttpObject::Closed();
  }
  CallRunner runner;
};

class WinHttpService : public HttpService {
 public:
  bool CheckPlatform() override { return g_check_platform.get()() != FALSE; }

  bool CrackUrl(const Bytes& url, uint32_t length, uint32_t flags,
                UrlComponents* components) override {
    std::wstring wide = Wide(url);
    URL_COMPONENTS record{};
    record.dwStructSize = sizeof(record);
    record.dwSchemeLength = static_cast<DWORD>(-1);
    record.dwHostNameLength = static_cast<DWORD>(-1);
    record.dwUrlPathLength = static_cast<DWORD>(-1);
    record.dwExtraInfoLength = static_cast<DWORD>(-1);
    DWORD units = std::min<DWORD>(length, static_cast<DWORD>(wide.size()));
    if (!g_crack_url.get()(wide.c_str(), units, flags, &record)) return false;
    const wchar_t* base = wide.c_str();
    components->scheme = static_cast<int>(record.nScheme);
    components->schemeName =
        Locate(base, record.lpszScheme, record.dwSchemeLength);
    components->hostName =
        Locate(base, record.lpszHostName, record.dwHostNameLength);
    components->port = record.nPort;
    components->urlPath =
        Locate(base, record.lpszUrlPath, record.dwUrlPathLength);
    components->extraInfo =
        Locate(base, record.lpszExtraInfo, record.dwExtraInfoLength);
    return true;
  }

  HttpHandle Open(const Bytes& userAgent, uint32_t accessType,
                  const Bytes& proxyName, const Bytes& proxyBypass,
                  uint32_t flags) override {
    std::wstring agent = Wide(userAgent);
    std::wstring proxy = Wide(proxyName);
    std::wstring bypass = Wide(proxyBypass);
    return Adopt<WinHttpObject>(g_open.get()(
        OrNull(userAgent, agent), accessType, OrNull(proxyName, proxy),
        OrNull(proxyBypass, bypass), flags));
  }

  HttpHandle Connect(HttpHandle session, const Bytes& serverName,
                     int port) override {
    auto parent = handles_.Find<WinHttpObject>(session);
    if (!parent) return nullptr;
    std::wstring server = Wide(serverName);
    return Adopt<WinHttpObject>(
        g_connect.get()(parent->handle, OrNull(serverName, server),
                        static_cast<INTERNET_PORT>(port), 0));
  }

  HttpHandle OpenRequest(HttpHandle connection, const Bytes& verb,
                         const Bytes& objectName, const Bytes& version,
                         const Bytes& referrer,
                         const std::vector<Bytes>& acceptTypes,
                         uint32_t flags) override {
    auto parent = handles_.Find<WinHttpObject>(connection);
    if (!parent) return nullptr;
    std::wstring wideVerb = Wide(verb);
    std::wstring object = Wide(objectName);
    std::wstring wideVersion = Wide(version);
    std::wstring wideReferrer = Wide(referrer);
    std::vector<std::wstring> types;
    for (const Bytes& type : acceptTypes) types.push_back(Wide(type));
    std::vector<LPCWSTR> typePointers;
    for (const std::wstring& type : types) typePointers.push_back(type.c_str());
    typePointers.push_back(nullptr);
    return Adopt<WinHttpRequest>(g_open_request.get()(
        parent->handle, OrNull(verb, wideVerb), OrNull(objectName, object),
        OrNull(version, wideVersion), OrNull(referrer, wideReferrer),
        acceptTypes.empty() ? nullptr : typePointers.data(), flags));
  }

  bool SetTimeouts(HttpHandle handle, int resolveTimeout, int connectTimeout,
                   int sendTimeout, int receiveTimeout) override {
    auto object = handles_.Find<WinHttpObject>(handle);
    if (!object) return false;
    if (!g_set_timeouts.get()(object->handle, resolveTimeout, connectTimeout,
                              sendTimeout, receiveTimeout)) {
      return false;
    }
    // WinHttpSetTimeouts leaves the wait for the response headers alone
    // (90 s on Windows, unbounded under Wine); the receive time-out is
    // meant to bound it too.
    DWORD value = static_cast<DWORD>(receiveTimeout);
    return g_set_option.get()(object->handle,
                              WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &value,
                              sizeof(value)) != FALSE;
  }

  bool SetCredentials(HttpHandle request, uint32_t authTarget,
                      uint32_t authScheme, const Bytes& userName,
                      const Bytes& password) override {
    auto object = handles_.Find<WinHttpRequest>(request);
    if (!object) return false;
    std::wstring user = Wide(userName);
    std::wstring secret = Wide(password);
    return g_set_credentials.get()(object->handle, authTarget, authScheme,
                                   OrNull(userName, user),
                                   OrNull(password, secret), nullptr) != FALSE;
  }

  bool SetOption(HttpHandle handle, uint32_t option, uint32_t value) override {
    auto object = handles_.Find<WinHttpObject>(handle);
    if (!object) return false;
    DWORD buffer = value;
    return g_set_option.get()(object->handle, option, &buffer,
                              sizeof(buffer)) != FALSE;
  }

  bool AddRequestHeaders(HttpHandle request, const Bytes& headers,
                         uint32_t length, uint32_t modifiers) override {
    auto object = handles_.Find<WinHttpRequest>(request);
    if (!object) return false;
    std::wstring block = Wide(headers);
    DWORD units = std::min<DWORD>(length, static_cast<DWORD>(block.size()));
    return g_add_request_headers.get()(object->handle, block.c_str(), units,
                                       modifiers) != FALSE;
  }

  bool SendRequest(HttpHandle request, const Bytes& headers,
                   uint32_t headersLength, const Bytes& optional,
                   uint32_t optionalLength, uint32_t totalLength,
                   uintptr_t context) override {
    auto object = handles_.Find<WinHttpRequest>(request);
    if (!object) return false;
    // The call may outlive this function (see CallRunner): it owns copies.
    auto block = std::make_shared<std::wstring>(Wide(headers));
    DWORD units = std::min<DWORD>(headersLength, static_cast<DWORD>(block->size()));
    bool noHeaders = headers.empty();
    auto body = std::make_shared<std::string>(optional.view().substr(
        0, std::min<size_t>(optionalLength, optional.size())));
    HINTERNET handle = object->handle;
    return object->runner.Run([=] {
      return g_send_request.get()(
                 handle, noHeaders ? nullptr : block->c_str(), units,
                 body->empty() ? nullptr : body->data(),
                 static_cast<DWORD>(body->size()), totalLength, context) != FALSE;
    });
  }

  bool ReceiveResponse(HttpHandle request) override {
    auto object = handles_.Find<WinHttpRequest>(request);
    if (!object) return false;
    HINTERNET handle = object->handle;
    return object->runner.Run(
        [=] { return g_receive_response.get()(handle, nullptr) != FALSE; });
  }

  bool QueryDataAvailable(HttpHandle request,
                          uint32_t* bytesAvailable) override {
    *bytesAvailable = 0;
    auto object = handles_.Find<WinHttpRequest>(request);
    if (!object) return false;
    HINTERNET handle = object->handle;
    auto available = std::make_shared<DWORD>(0);
    if (!object->runner.Run([=] {
          return g_query_data_available.get()(handle, available.get()) != FALSE;
        })) {
      return false;
    }
    *bytesAvailable = *available;
    return true;
  }

  bool ReadData(HttpHandle request, void* buffer, uint32_t size,
                uint32_t* bytesRead) override {
    *bytesRead = 0;
    auto object = handles_.Find<WinHttpRequest>(request);
    if (!object) return false;
    HINTERNET handle = object->handle;
    auto data = std::make_shared<std::vector<char>>(size);
    auto read = std::make_shared<DWORD>(0);
    if (!object->runner.Run([=] {
          return g_read_data.get()(handle, data->data(), size, read.get()) !=
                 FALSE;
        })) {
      return false;
    }
    std::memcpy(buffer, data->data(), std::min<DWORD>(*read, size));
    *bytesRead = *read;
    return true;
  }

  bool QueryHeaders(HttpHandle request, uint32_t infoLevel, const Bytes& name,
                    void* buffer, uint32_t* bufferBytes,
                    uint32_t* index) override {
    auto object = handles_.Find<WinHttpRequest>(request);
    if (!object) return false;
    std::wstring wideName = Wide(name);
    DWORD size = *bufferBytes;
    DWORD position = *index;
    BOOL ok = g_query_headers.get()(object->handle, infoLevel,
                                    OrNull(name, wideName), buffer, &size,
                                    &position);
    *bufferBytes = size;
    *index = position;
    return ok != FALSE;
  }

  bool CloseHandle(HttpHandle handle) override {
    return handle == nullptr || handles_.Close(handle);
  }

  int32_t CoInitialize() override { return g_co_initialize.get()(nullptr); }
  void CoUninitialize() override { g_co_uninitialize.get()(); }
  void ProcessEvents() override { feed::ProcessEvents(); }

 private:
  template <typename T>
  HttpHandle Adopt(HINTERNET handle) {
    if (handle == nullptr) return nullptr;
    return handles_.Add(std::make_shared<T>(handle));
  }

  HandleTable handles_;
};

}  // namespace

HttpService& SystemHttpService() {
  static WinHttpService* service = new WinHttpService();
  return *service;
}

}  // namespace feed
