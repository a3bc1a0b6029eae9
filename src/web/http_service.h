// The HTTP service: the calls of the system's WinHTTP service that the web
// request makes, one for one, with the same arguments and results, in our
// own types, and the thread's message dispatch that the web request runs
// between its stages.
//
// Strings are UTF-16LE code units held in Bytes, each with its NUL code
// unit, as GbkToUtf16 makes them; an empty Bytes stands for a null string
// pointer. Handles are opaque; a null handle means "none" or failure.
// Functions answer true for success (WinHTTP's TRUE). Parameters that
// WinHTTP reserves (always 0 or null) are left out.
//
// Implementations:
// - http_service_win32.cc: winhttp.dll and ole32.dll, every entry point
//   looked up by name at its first call. A library or entry point that
//   cannot be found ends the program with a fatal error naming both.
// - http_service_curl.cc: the same calls over libcurl, with WinHTTP's rules
//   for URLs, proxies, options and headers.
// - tests/support/fake_http_service.h: records every call for tests.
//
// Threads: calls on different handles may run on different threads at
// once. CloseHandle on a request may also come from another thread while a
// call on that request blocks (this is how a request is broken off): the
// blocked call then fails promptly, and every later call with that handle
// fails. The owner must not close such a handle a second time.

#ifndef FEED_COLLECTOR_WEB_HTTP_SERVICE_H_
#define FEED_COLLECTOR_WEB_HTTP_SERVICE_H_

#include <cstdint>
#include <vector>

#include "text/bytes.h"

namespace feed {

using HttpHandle = void*;

// Scheme numbers of UrlComponents::scheme.
inline constexpr int kSchemeHttp = 1;
inline constexpr int kSchemeHttps = 2;

// Open: access types.
inline constexpr uint32_t kAccessTypeDefaultProxy = 0;
inline constexpr uint32_t kAccessTypeNoProxy = 1;
inline constexpr uint32_t kAccessTypeNamedProxy = 3;

// OpenRequest: the request uses TLS.
inline constexpr uint32_t kFlagSecure = 0x00800000;

// SetCredentials: targets and the basic scheme.
inline constexpr uint32_t kAuthTargetServer = 0;
inline constexpr uint32_t kAuthTargetProxy = 1;
inline constexpr uint32_t kAuthSchemeBasic = 1;

// SetOption: options and their values.
inline constexpr uint32_t kOptionDisableFeature = 63;
inline constexpr uint32_t kOptionEnableFeature = 79;
inline constexpr uint32_t kDisableCookies = 1;    // with kOptionDisableFeature
inline constexpr uint32_t kDisableRedirects = 2;  // with kOptionDisableFeature
inline constexpr uint32_t kEnableSslRevocation = 1;  // kOptionEnableFeature

// AddRequestHeaders: modifiers.
inline constexpr uint32_t kAddRequestFlagAdd = 0x20000000;
inline constexpr uint32_t kAddRequestFlagReplace = 0x80000000;

// QueryHeaders: the info level of the raw headers, lines ending in CR LF.
inline constexpr uint32_t kQueryRawHeadersCrlf = 22;

// Where CrackUrl found one part of a URL: |offset| and |length| count
// UTF-16 code units from the URL's start. A part the URL lacks has length 0.
struct UrlPart {
  int offset = 0;
  int length = 0;
};

// WinHTTP's URL components record, as CrackUrl fills it when it is asked
// to locate scheme, host name, URL path and extra information (user name
// and password are not asked for).
struct UrlComponents {
  int scheme = 0;  // kSchemeHttp or kSchemeHttps
  UrlPart schemeName;
  UrlPart hostName;
  int port = 0;  // the scheme's default when the URL names none
  UrlPart urlPath;
  UrlPart extraInfo;  // query and fragment: from "?" or "#" to the end
};

class HttpService {
 public:
  virtual ~HttpService() = default;

  // True when the service can be used on this system.
  virtual bool CheckPlatform() = 0;

  // Splits |url|; |length| counts its code units without the terminator.
  // Fails for a URL that is not an absolute http or https URL.
  virtual bool CrackUrl(const Bytes& url, uint32_t length, uint32_t flags,
                        UrlComponents* components) = 0;

  // A session. |proxyName| is used with kAccessTypeNamedProxy: one or more
  // entries "[scheme=][scheme://]host[:port]" separated by ";" or blanks.
  virtual HttpHandle Open(const Bytes& userAgent, uint32_t accessType,
                          const Bytes& proxyName, const Bytes& proxyBypass,
                          uint32_t flags) = 0;

  // A connection of |session| to |serverName| (a host name or address).
  virtual HttpHandle Connect(HttpHandle session, const Bytes& serverName,
                             int port) = 0;

  // A request on |connection|. |objectName| is the path and query sent in
  // the request line; |acceptTypes| empty means none.
  virtual HttpHandle OpenRequest(HttpHandle connection, const Bytes& verb,
                                 const Bytes& objectName, const Bytes& version,
                                 const Bytes& referrer,
                                 const std::vector<Bytes>& acceptTypes,
                                 uint32_t flags) = 0;

  // Time-outs in milliseconds (-1 or 0: none; below -1 fails). The receive
  // time-out also bounds the wait for the response headers.
  virtual bool SetTimeouts(HttpHandle handle, int resolveTimeout,
                           int connectTimeout, int sendTimeout,
                           int receiveTimeout) = 0;

  virtual bool SetCredentials(HttpHandle request, uint32_t authTarget,
                              uint32_t authScheme, const Bytes& userName,
                              const Bytes& password) = 0;

  // Sets a 32-bit option (WinHTTP receives the address of |value| and the
  // length 4).
  virtual bool SetOption(HttpHandle handle, uint32_t option,
                         uint32_t value) = 0;

  // |length| counts the code units of |headers| to add, terminator not
  // counted; header lines are separated by CR LF.
  virtual bool AddRequestHeaders(HttpHandle request, const Bytes& headers,
                                 uint32_t length, uint32_t modifiers) = 0;

  // Sends the request with the first |optionalLength| bytes of |optional|
  // as its body; |totalLength| is the whole body's length. |headers| are
  // extra header lines for this send only (empty: none).
  virtual bool SendRequest(HttpHandle request, const Bytes& headers,
                           uint32_t headersLength, const Bytes& optional,
                           uint32_t optionalLength, uint32_t totalLength,
                           uintptr_t context) = 0;

  // Waits for the response headers (following redirects unless they were
  // disabled).
  virtual bool ReceiveResponse(HttpHandle request) = 0;

  // The number of body bytes that can be read without waiting, waiting for
  // more when none is ready; 0 at the end of the body.
  virtual bool QueryDataAvailable(HttpHandle request,
                                  uint32_t* bytesAvailable) = 0;

  // Reads up to |size| body bytes into |buffer|.
  virtual bool ReadData(HttpHandle request, void* buffer, uint32_t size,
                        uint32_t* bytesRead) = 0;

  // With kQueryRawHeadersCrlf: the response's status line and header lines,
  // each ending in CR LF, then an empty line, as UTF-16 with a NUL code
  // unit. |*bufferBytes| is the size of |buffer| in bytes; when it is too
  // small the call fails and sets it to the size needed. On success it
  // holds the length in bytes without the terminator.
  virtual bool QueryHeaders(HttpHandle request, uint32_t infoLevel,
                            const Bytes& name, void* buffer,
                            uint32_t* bufferBytes, uint32_t* index) = 0;

  // Releases a handle; closing a null handle does nothing.
  virtual bool CloseHandle(HttpHandle handle) = 0;

  // COM on the calling thread (CoInitialize with a null argument, and
  // CoUninitialize). Returns the HRESULT.
  virtual int32_t CoInitialize() = 0;
  virtual void CoUninitialize() = 0;

  // Lets the window messages waiting for the calling thread be processed
  // (ProcessEvents), as the web request does between its stages. Part of
  // the service so that tests see where it happens among the calls.
  virtual void ProcessEvents() = 0;
};

// The service of this platform; lives as long as the process.
HttpService& SystemHttpService();

}  // namespace feed

#endif  // FEED_COLLECTOR_WEB_HTTP_SERVICE_H_
