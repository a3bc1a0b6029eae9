// The HTTP service over the system's WinHTTP. The program is not linked
// against winhttp.dll or ole32.dll: each entry point is looked up by name at
// its first call and remembered.

#include <windows.h>
#include <objbase.h>
#include <winhttp.h>

#include <atomic>
#include <string>

#include "text/environment.h"
#include "text/fatal_error.h"
#include "web/http_service.h"

namespace feed {
namespace {

// One entry point of a system library, bound at its first use. Two threads
// that race on the first call both look it up and store the same address.
template <typename Function>
class LazyEntry {
 public:
  constexpr LazyEntry(const char* library, const char* name)
      : library_(library), name_(name) {}

  Function get() {
    Function function = address_.load(std::memory_order_acquire);
    if (function == nullptr) {
      function = reinterpret_cast<Function>(Find());
      address_.store(function, std::memory_order_release);
    }
    return function;
  }

 private:
  void* Find() const {
    HMODULE module = ::LoadLibraryA(library_);
    FARPROC address = module ? ::GetProcAddress(module, name_) : nullptr;
    if (address == nullptr) {
      FatalError(std::string("cannot find the function ") + name_ +
                 " in the library " + library_);
    }
    return reinterpret_cast<void*>(address);
  }

  const char* library_;
  const char* name_;
  std::atomic<Function> address_{nullptr};
};

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
    DWORD units = length < wide.size() ? length : static_cast<DWORD>(wide.size());
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
    return g_open.get()(OrNull(userAgent, agent), accessType,
                        OrNull(proxyName, proxy), OrNull(proxyBypass, bypass),
                        flags);
  }

  HttpHandle Connect(HttpHandle session, const Bytes& serverName,
                     int port) override {
    std::wstring server = Wide(serverName);
    return g_connect.get()(session, OrNull(serverName, server),
                           static_cast<INTERNET_PORT>(port), 0);
  }

  HttpHandle OpenRequest(HttpHandle connection, const Bytes& verb,
                         const Bytes& objectName, const Bytes& version,
                         const Bytes& referrer,
                         const std::vector<Bytes>& acceptTypes,
                         uint32_t flags) override {
    std::wstring wideVerb = Wide(verb);
    std::wstring object = Wide(objectName);
    std::wstring wideVersion = Wide(version);
    std::wstring wideReferrer = Wide(referrer);
    std::vector<std::wstring> types;
    for (const Bytes& type : acceptTypes) types.push_back(Wide(type));
    std::vector<LPCWSTR> typePointers;
    for (const std::wstring& type : types) typePointers.push_back(type.c_str());
    typePointers.push_back(nullptr);
    return g_open_request.get()(
        connection, OrNull(verb, wideVerb), OrNull(objectName, object),
        OrNull(version, wideVersion), OrNull(referrer, wideReferrer),
        acceptTypes.empty() ? nullptr : typePointers.data(), flags);
  }

  bool SetTimeouts(HttpHandle handle, int resolveTimeout, int connectTimeout,
                   int sendTimeout, int receiveTimeout) override {
    if (!g_set_timeouts.get()(handle, resolveTimeout, connectTimeout,
                              sendTimeout, receiveTimeout)) {
      return false;
    }
    // WinHttpSetTimeouts leaves the wait for the response headers alone
    // (90 s on Windows, unbounded under Wine); the receive time-out is
    // meant to bound it too.
    DWORD value = static_cast<DWORD>(receiveTimeout);
    return g_set_option.get()(handle, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT,
                              &value, sizeof(value)) != FALSE;
  }

  bool SetCredentials(HttpHandle request, uint32_t authTarget,
                      uint32_t authScheme, const Bytes& userName,
                      const Bytes& password) override {
    std::wstring user = Wide(userName);
    std::wstring secret = Wide(password);
    return g_set_credentials.get()(request, authTarget, authScheme,
                                   OrNull(userName, user),
                                   OrNull(password, secret), nullptr) != FALSE;
  }

  bool SetOption(HttpHandle handle, uint32_t option, uint32_t value) override {
    DWORD buffer = value;
    return g_set_option.get()(handle, option, &buffer, sizeof(buffer)) != FALSE;
  }

  bool AddRequestHeaders(HttpHandle request, const Bytes& headers,
                         uint32_t length, uint32_t modifiers) override {
    std::wstring block = Wide(headers);
    DWORD units = length < block.size() ? length : static_cast<DWORD>(block.size());
    return g_add_request_headers.get()(request, block.c_str(), units,
                                       modifiers) != FALSE;
  }

  bool SendRequest(HttpHandle request, const Bytes& headers,
                   uint32_t headersLength, const Bytes& optional,
                   uint32_t optionalLength, uint32_t totalLength,
                   uintptr_t context) override {
    std::wstring block = Wide(headers);
    DWORD units =
        headersLength < block.size() ? headersLength : static_cast<DWORD>(block.size());
    DWORD bodyLength = optionalLength < optional.size()
                           ? optionalLength
                           : static_cast<DWORD>(optional.size());
    void* body = optional.empty() ? nullptr : const_cast<char*>(optional.data());
    return g_send_request.get()(request, headers.empty() ? nullptr : block.c_str(),
                                units, body, bodyLength, totalLength,
                                context) != FALSE;
  }

  bool ReceiveResponse(HttpHandle request) override {
    return g_receive_response.get()(request, nullptr) != FALSE;
  }

  bool QueryDataAvailable(HttpHandle request,
                          uint32_t* bytesAvailable) override {
    DWORD available = 0;
    BOOL ok = g_query_data_available.get()(request, &available);
    *bytesAvailable = available;
    return ok != FALSE;
  }

  bool ReadData(HttpHandle request, void* buffer, uint32_t size,
                uint32_t* bytesRead) override {
    DWORD read = 0;
    BOOL ok = g_read_data.get()(request, buffer, size, &read);
    *bytesRead = read;
    return ok != FALSE;
  }

  bool QueryHeaders(HttpHandle request, uint32_t infoLevel, const Bytes& name,
                    void* buffer, uint32_t* bufferBytes,
                    uint32_t* index) override {
    std::wstring wideName = Wide(name);
    DWORD size = *bufferBytes;
    DWORD position = *index;
    BOOL ok = g_query_headers.get()(request, infoLevel, OrNull(name, wideName),
                                    buffer, &size, &position);
    *bufferBytes = size;
    *index = position;
    return ok != FALSE;
  }

  bool CloseHandle(HttpHandle handle) override {
    if (handle == nullptr) return true;
    return g_close_handle.get()(handle) != FALSE;
  }

  int32_t CoInitialize() override { return g_co_initialize.get()(nullptr); }
  void CoUninitialize() override { g_co_uninitialize.get()(); }
  void ProcessEvents() override { feed::ProcessEvents(); }
};

}  // namespace

HttpService& SystemHttpService() {
  static WinHttpService* service = new WinHttpService();
  return *service;
}

}  // namespace feed
