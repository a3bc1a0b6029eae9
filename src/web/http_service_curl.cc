// The HTTP service over libcurl, behaving as WinHTTP does for the calls the
// web request makes.
//
// A request runs as one curl transfer on a multi handle of its own, driven
// only inside the calls that wait (SendRequest, ReceiveResponse,
// QueryDataAvailable, ReadData), on the caller's thread. The body is taken
// into a buffer as it arrives and handed out by ReadData. Redirects and the
// cookie engine live inside the transfer, so nothing outlives a request.
//
// Handles are numbers in a table; the objects behind them are shared, so a
// CloseHandle from another thread only takes the number out of the table
// and wakes the transfer, and the call that was waiting fails and drops the
// last reference.

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/environment.h"
#include "text/utf16_bytes.h"
#include "web/handle_table.h"
#include "web/http_service.h"
#include "web/winhttp_rules.h"

namespace feed {
namespace {

using Clock = std::chrono::steady_clock;

// ---------------------------------------------------------------------------
// Strings

std::u16string Units(const Bytes& bytes) {
  return UnitsBeforeNulOf(bytes.view());
}

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8(std::u16string_view units) {
  std::string out;
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() &&
        units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(c, &out);
  }
  return out;
}

std::string Utf8(const Bytes& bytes) { return Utf8(Units(bytes)); }

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  return text;
}

// The name of a header line, before its colon; empty without a colon.
std::string HeaderName(std::string_view line) {
  size_t colon = line.find(':');
  if (colon == std::string_view::npos) return std::string();
  return LowerAscii(TrimBlanks(line.substr(0, colon)));
}

std::string_view HeaderValue(std::string_view line) {
  size_t colon = line.find(':');
  if (colon == std::string_view::npos) return std::string_view();
  return TrimBlanks(line.substr(colon + 1));
}

// The object name as it goes into the request line: WinHTTP escapes blanks,
// control characters and everything outside ASCII (as UTF-8).
std::string EscapeObjectName(std::string_view utf8) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : utf8) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F) {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      out += c;
    }
  }
  if (out.empty() || out[0] != '/') out.insert(out.begin(), '/');
  return out;
}

// ---------------------------------------------------------------------------
// Handles

struct Timeouts {
  // WinHTTP's initial values; 0 and -1 mean no limit.
  int resolve = 0;
  int connect = 60000;
  int send = 30000;
  int receive = 30000;
};

class Session : public HandleObject {
 public:
  std::string userAgent;
  uint32_t accessType = kAccessTypeNoProxy;
  std::string proxyList;
  Timeouts timeouts;
};

class Connection : public HandleObject {
 public:
  std::shared_ptr<Session> session;
  std::string host;
  int port = 0;
};

// ---------------------------------------------------------------------------
// Requests

int Milliseconds(Clock::duration d) {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
  return static_cast<int>(std::clamp<long long>(ms, 0, INT_MAX));
}

bool Limited(int timeout) { return timeout > 0; }

class Request : public HandleObject {
 public:
  Request() : multi_(curl_multi_init()) {}

  ~Request() override {
    if (easy_ != nullptr) {
      curl_multi_remove_handle(multi_, easy_);
      curl_easy_cleanup(easy_);
    }
    curl_multi_cleanup(multi_);
    curl_slist_free_all(headerList_);
  }

  void Closed() override {
    aborted_.store(true);
    curl_multi_wakeup(multi_);
  }

  // Settings, before SendRequest.
  std::shared_ptr<Connection> connection;
  std::string verb;
  std::string target;
  std::string referrer;
  bool http10 = false;
  bool secure = false;
  Timeouts timeouts;
  std::string user, password;
  bool serverCredentials = false;
  std::string proxyUser, proxyPassword;
  bool proxyCredentials = false;
  bool cookies = true;
  bool redirects = true;
  std::vector<std::string> headers;  // lines without CR LF

  bool Send(std::string body);
  bool Receive();
  bool DataAvailable(uint32_t* available);
  bool Read(void* buffer, uint32_t size, uint32_t* read);
  // The final response's raw header text; empty before Receive succeeded.
  const std::vector<std::string>& responseHeaders() const {
    return finalHeaders_;
  }
  bool received() const { return received_; }

 private:
  enum class Drive { kReady, kEnded, kTimedOut, kAborted };

  template <typename Ready>
  Drive Run(Ready ready, int idleTimeout, bool countFromConnect);
  bool Configure(std::string body);
  void HeaderLine(std::string_view line);
  size_t Buffered() const { return body_.size() - bodyRead_; }

  static size_t OnHeader(char* data, size_t size, size_t count, void* self);
  static size_t OnBody(char* data, size_t size, size_t count, void* self);
  static int OnProgress(void* self, curl_off_t, curl_off_t dlnow, curl_off_t,
                        curl_off_t ulnow);

  CURLM* multi_;
  CURL* easy_ = nullptr;
  curl_slist* headerList_ = nullptr;
  std::atomic<bool> aborted_{false};

  bool sent_ = false;
  bool received_ = false;
  bool done_ = false;
  CURLcode result_ = CURLE_OK;
  uint64_t activity_ = 0;  // grows with every byte moved either way
  curl_off_t uploaded_ = 0;
  curl_off_t downloaded_ = 0;
  size_t bodyLength_ = 0;

  std::vector<std::string> block_;  // header lines of the current response
  std::vector<std::string> finalHeaders_;
  bool finalSeen_ = false;
  std::string body_;
  size_t bodyRead_ = 0;
};

size_t Request::OnHeader(char* data, size_t size, size_t count, void* self) {
  auto* request = static_cast<Request*>(self);
  request->activity_ += size * count;
  request->HeaderLine(std::string_view(data, size * count));
  return size * count;
}

size_t Request::OnBody(char* data, size_t size, size_t count, void* self) {
  auto* request = static_cast<Request*>(self);
  request->activity_ += size * count;
  request->body_.append(data, size * count);
  return size * count;
}

int Request::OnProgress(void* self, curl_off_t, curl_off_t dlnow, curl_off_t,
                        curl_off_t ulnow) {
  auto* request = static_cast<Request*>(self);
  if (dlnow != request->downloaded_ || ulnow != request->uploaded_) {
    request->activity_ += 1;
    request->downloaded_ = dlnow;
    request->uploaded_ = ulnow;
  }
  return request->aborted_.load() ? 1 : 0;
}

// Keeps the header block of the response that WinHTTP would report: not an
// interim 1xx reply, and not a redirect that the transfer goes on to follow.
void Request::HeaderLine(std::string_view line) {
  if (finalSeen_) return;  // trailers of a chunked body
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
    line.remove_suffix(1);
  if (line.substr(0, 5) == "HTTP/") block_.clear();
  if (!line.empty()) {
    block_.emplace_back(line);
    return;
  }
  if (block_.empty()) return;
  // "HTTP/1.1 302 Found": the three digits after the first blank.
  int code = 0;
  std::string_view status = block_[0];
  size_t blank = status.find(' ');
  std::string_view digits =
      blank == std::string_view::npos ? "" : status.substr(blank + 1, 3);
  for (char c : digits) {
    if (c < '0' || c > '9') break;
    code = code * 10 + (c - '0');
  }
  bool interim = code >= 100 && code < 200 && code != 101;
  bool followed = false;
  if (redirects && code >= 300 && code < 400) {
    for (const std::string& header : block_) {
      if (HeaderName(header) == "location" && !HeaderValue(header).empty())
        followed = true;
    }
  }
  if (!interim && !followed) {
    finalHeaders_ = block_;
    finalSeen_ = true;
  }
  block_.clear();
}

bool Request::Configure(std::string body) {
  easy_ = curl_easy_init();
  if (easy_ == nullptr) return false;
  const Session& session = *connection->session;

  std::string host = connection->host;
  if (host.find(':') != std::string::npos && host.front() != '[')
    host = "[" + host + "]";
  std::string url = (secure ? "https://" : "http://") + host + ":" +
                    std::to_string(connection->port) + target;
  curl_easy_setopt(easy_, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy_, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy_, CURLOPT_HTTP_VERSION,
                   http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);

  // The verb and the body.
  bodyLength_ = body.size();
  if (verb == "HEAD") {
    curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
  } else if (verb == "GET" && body.empty()) {
    curl_easy_setopt(easy_, CURLOPT_HTTPGET, 1L);
  } else {
    curl_easy_setopt(easy_, CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(easy_, CURLOPT_COPYPOSTFIELDS, body.c_str());
    if (verb != "POST") curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, verb.c_str());
  }

  // Headers: only what the caller added, as WinHTTP sends; curl's own
  // Accept, Content-Type and Expect lines are switched off.
  for (const char* off : {"Accept:", "Content-Type:", "Expect:"})
    headerList_ = curl_slist_append(headerList_, off);
  for (const std::string& line : headers)
    headerList_ = curl_slist_append(headerList_, line.c_str());
  curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headerList_);
  if (!session.userAgent.empty())
    curl_easy_setopt(easy_, CURLOPT_USERAGENT, session.userAgent.c_str());
  if (!referrer.empty()) curl_easy_setopt(easy_, CURLOPT_REFERER, referrer.c_str());

  // Proxy: a named proxy or none; never the environment's.
  std::string proxy;
  if (session.accessType == kAccessTypeNamedProxy)
    proxy = ChooseProxy(session.proxyList, secure);
  curl_easy_setopt(easy_, CURLOPT_PROXY, proxy.empty() ? "" : ("http://" + proxy).c_str());
  curl_easy_setopt(easy_, CURLOPT_NOPROXY, "");
  curl_easy_setopt(easy_, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);

  if (serverCredentials) {
    curl_easy_setopt(easy_, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
    curl_easy_setopt(easy_, CURLOPT_USERNAME, user.c_str());
    curl_easy_setopt(easy_, CURLOPT_PASSWORD, password.c_str());
  }
  if (proxyCredentials) {
    curl_easy_setopt(easy_, CURLOPT_PROXYAUTH, CURLAUTH_BASIC);
    curl_easy_setopt(easy_, CURLOPT_PROXYUSERNAME, proxyUser.c_str());
    curl_easy_setopt(easy_, CURLOPT_PROXYPASSWORD, proxyPassword.c_str());
  }

  // Cookies set by one reply of the exchange go to the next (a redirect);
  // the engine starts empty and dies with the request.
  if (cookies) curl_easy_setopt(easy_, CURLOPT_COOKIEFILE, "");
  if (redirects) {
    curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, 10L);
  }

  // Resolving and connecting are bounded by curl; sending and receiving by
  // Run, which sees every byte that moves.
  long connectLimit = INT_MAX;
  if (Limited(timeouts.connect)) {
    connectLimit = timeouts.connect;
    if (Limited(timeouts.resolve)) connectLimit += timeouts.resolve;
  }
  curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS, connectLimit);

  curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &Request::OnHeader);
  curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &Request::OnBody);
  curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(easy_, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(easy_, CURLOPT_XFERINFOFUNCTION, &Request::OnProgress);
  curl_easy_setopt(easy_, CURLOPT_XFERINFODATA, this);
  return curl_multi_add_handle(multi_, easy_) == CURLM_OK;
}

// Moves the transfer on until |ready()| holds, the transfer ends, nothing
// has moved for |idleTimeout| ms (when limited; with |countFromConnect| only
// once the connection stands), or the handle is closed.
template <typename Ready>
Request::Drive Request::Run(Ready ready, int idleTimeout,
                            bool countFromConnect) {
  uint64_t seen = activity_;
  Clock::time_point idleSince = Clock::now();
  while (true) {
    if (aborted_.load()) return Drive::kAborted;
    if (ready()) return Drive::kReady;
    if (done_) return Drive::kEnded;

    int running = 0;
    curl_multi_perform(multi_, &running);
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
      if (message->msg == CURLMSG_DONE) {
        done_ = true;
        result_ = message->data.result;
      }
    }
    if (aborted_.load()) return Drive::kAborted;
    if (ready()) return Drive::kReady;
    if (done_) return Drive::kEnded;

    Clock::time_point now = Clock::now();
    if (activity_ != seen) {
      seen = activity_;
      idleSince = now;
    }
    bool counting = Limited(idleTimeout);
    if (counting && countFromConnect) {
      curl_off_t connected = 0;
      curl_easy_getinfo(easy_, CURLINFO_CONNECT_TIME_T, &connected);
      if (connected == 0) {
        counting = false;
        idleSince = now;
      }
    }
    int wait = 1000;
    if (counting) {
      int left = idleTimeout - Milliseconds(now - idleSince);
      if (left <= 0) return Drive::kTimedOut;
      wait = std::min(wait, left);
    }
    curl_multi_poll(multi_, nullptr, 0, wait, nullptr);
  }
}

bool Request::Send(std::string body) {
  if (sent_ || !Configure(std::move(body))) return false;
  sent_ = true;
  // Sent: the request line, headers and the whole body have gone out, or
  // the server has already begun to answer.
  auto requestSent = [this] {
    long requestSize = 0;
    curl_easy_getinfo(easy_, CURLINFO_REQUEST_SIZE, &requestSize);
    curl_off_t uploaded = 0;
    curl_easy_getinfo(easy_, CURLINFO_SIZE_UPLOAD_T, &uploaded);
    return (requestSize > 0 &&
            static_cast<size_t>(uploaded) >= bodyLength_) ||
           !block_.empty() || finalSeen_;
  };
  switch (Run(requestSent, timeouts.send, true)) {
    case Drive::kReady:
      return true;
    case Drive::kEnded:
      // A transfer that ended before anything came back could not send.
      return result_ == CURLE_OK || finalSeen_ || !block_.empty();
    case Drive::kTimedOut:
    case Drive::kAborted:
      return false;
  }
  return false;
}

bool Request::Receive() {
  if (!sent_ || received_) return false;
  Drive drive = Run([this] { return finalSeen_; }, timeouts.receive, false);
  received_ = finalSeen_ && drive != Drive::kAborted &&
              drive != Drive::kTimedOut;
  return received_;
}

bool Request::DataAvailable(uint32_t* available) {
  *available = 0;
  if (!received_) return false;
  Drive drive = Run([this] { return Buffered() > 0; }, timeouts.receive, false);
  if (drive == Drive::kAborted || drive == Drive::kTimedOut) return false;
  // A body that broke off fails here, after the bytes that did arrive.
  if (Buffered() == 0 && result_ != CURLE_OK) return false;
  *available = static_cast<uint32_t>(std::min<size_t>(Buffered(), UINT32_MAX));
  return true;
}

bool Request::Read(void* buffer, uint32_t size, uint32_t* read) {
  *read = 0;
  uint32_t available = 0;
  if (!DataAvailable(&available)) return false;
  uint32_t n = std::min(size, available);
  std::memcpy(buffer, body_.data() + bodyRead_, n);
  bodyRead_ += n;
  if (bodyRead_ == body_.size()) {
    body_.clear();
    bodyRead_ = 0;
  }
  *read = n;
  return true;
}

// ---------------------------------------------------------------------------
// The service

// WinHTTP's way of adding header lines with ADD, REPLACE and ADD_IF_NEW.
constexpr uint32_t kAddRequestFlagAddIfNew = 0x10000000;

bool AddHeaderLines(std::string_view block, uint32_t modifiers,
                    std::vector<std::string>* headers) {
  size_t start = 0;
  while (start < block.size()) {
    size_t end = block.find("\r\n", start);
    if (end == std::string_view::npos) end = block.size();
    std::string_view line = block.substr(start, end - start);
    start = end + 2;
    if (TrimBlanks(line).empty()) continue;
    std::string name = HeaderName(line);
    if (name.empty()) return false;
    auto existing =
        std::find_if(headers->begin(), headers->end(), [&](const std::string& h) {
          return HeaderName(h) == name;
        });
    if (modifiers & kAddRequestFlagReplace) {
      if (existing != headers->end()) {
        if (HeaderValue(line).empty()) {
          headers->erase(existing);
        } else {
          *existing = std::string(line);
        }
      } else if (modifiers & kAddRequestFlagAdd) {
        headers->emplace_back(line);
      } else {
        return false;
      }
    } else if (modifiers & kAddRequestFlagAddIfNew) {
      if (existing != headers->end()) return false;
      headers->emplace_back(line);
    } else {
      headers->emplace_back(line);
    }
  }
  return true;
}

class CurlHttpService : public HttpService {
 public:
  CurlHttpService() { curl_global_init(CURL_GLOBAL_DEFAULT); }

  bool CheckPlatform() override { return true; }

  bool CrackUrl(const Bytes& url, uint32_t length, uint32_t flags,
                UrlComponents* components) override {
    if (flags != 0) return false;  // no escaping or decoding on request
    std::u16string units = Units(url);
    if (length != 0 && length < units.size()) units.resize(length);
    return CrackWinHttpUrl(units, components);
  }

  HttpHandle Open(const Bytes& userAgent, uint32_t accessType,
                  const Bytes& proxyName, const Bytes&,
                  uint32_t) override {
    auto session = std::make_shared<Session>();
    session->userAgent = Utf8(userAgent);
    session->accessType = accessType;
    session->proxyList = Utf8(proxyName);
    if (accessType == kAccessTypeNamedProxy && session->proxyList.empty())
      return nullptr;
    return handles_.Add(std::move(session));
  }

  HttpHandle Connect(HttpHandle sessionHandle, const Bytes& serverName,
                     int port) override {
    auto session = handles_.Find<Session>(sessionHandle);
    std::string host = Utf8(serverName);
    if (!session || host.empty() || port < 0 || port > 65535) return nullptr;
    auto connection = std::make_shared<Connection>();
    connection->session = std::move(session);
    connection->host = std::move(host);
    connection->port = port == 0 ? 80 : port;
    return handles_.Add(std::move(connection));
  }

  HttpHandle OpenRequest(HttpHandle connectionHandle, const Bytes& verb,
                         const Bytes& objectName, const Bytes& version,
                         const Bytes& referrer,
                         const std::vector<Bytes>& acceptTypes,
                         uint32_t flags) override {
    auto connection = handles_.Find<Connection>(connectionHandle);
    if (!connection) return nullptr;
    auto request = std::make_shared<Request>();
    request->connection = connection;
    request->verb = verb.empty() ? "GET" : Utf8(verb);
    request->target = EscapeObjectName(Utf8(objectName));
    request->http10 = Utf8(version) == "HTTP/1.0";
    request->referrer = Utf8(referrer);
    request->secure = (flags & kFlagSecure) != 0;
    request->timeouts = connection->session->timeouts;
    if (!acceptTypes.empty()) {
      std::string accept = "Accept: ";
      for (size_t i = 0; i < acceptTypes.size(); ++i) {
        if (i > 0) accept += ", ";
        accept += Utf8(acceptTypes[i]);
      }
      request->headers.push_back(accept);
    }
    return handles_.Add(std::move(request));
  }

  bool SetTimeouts(HttpHandle handle, int resolveTimeout, int connectTimeout,
                   int sendTimeout, int receiveTimeout) override {
    if (resolveTimeout < -1 || connectTimeout < -1 || sendTimeout < -1 ||
        receiveTimeout < -1) {
      return false;
    }
    Timeouts timeouts{resolveTimeout, connectTimeout, sendTimeout,
                      receiveTimeout};
    if (auto request = handles_.Find<Request>(handle)) {
      request->timeouts = timeouts;
      return true;
    }
    if (auto session = handles_.Find<Session>(handle)) {
      session->timeouts = timeouts;
      return true;
    }
    return false;
  }

  bool SetCredentials(HttpHandle handle, uint32_t authTarget,
                      uint32_t authScheme, const Bytes& userName,
                      const Bytes& password) override {
    auto request = handles_.Find<Request>(handle);
    if (!request || authScheme != kAuthSchemeBasic || userName.empty())
      return false;
    if (authTarget == kAuthTargetServer) {
      request->user = Utf8(userName);
      request->password = Utf8(password);
      request->serverCredentials = true;
    } else if (authTarget == kAuthTargetProxy) {
      request->proxyUser = Utf8(userName);
      request->proxyPassword = Utf8(password);
      request->proxyCredentials = true;
    } else {
      return false;
    }
    return true;
  }

  bool SetOption(HttpHandle handle, uint32_t option, uint32_t value) override {
    auto request = handles_.Find<Request>(handle);
    if (!request) return false;
    if (option == kOptionDisableFeature) {
      if (value & kDisableCookies) request->cookies = false;
      if (value & kDisableRedirects) request->redirects = false;
      return true;
    }
    // Certificate revocation checks: OpenSSL's curl has no revocation
    // source to consult, so the option is accepted and has no effect.
    if (option == kOptionEnableFeature) return value == kEnableSslRevocation;
    return false;
  }

  bool AddRequestHeaders(HttpHandle handle, const Bytes& headers,
                         uint32_t length, uint32_t modifiers) override {
    auto request = handles_.Find<Request>(handle);
    if (!request) return false;
    std::u16string units = Units(headers);
    if (length != UINT32_MAX && length < units.size()) units.resize(length);
    return AddHeaderLines(Utf8(units), modifiers, &request->headers);
  }

  bool SendRequest(HttpHandle handle, const Bytes& headers,
                   uint32_t headersLength, const Bytes& optional,
                   uint32_t optionalLength, uint32_t totalLength,
                   uintptr_t) override {
    auto request = handles_.Find<Request>(handle);
    if (!request) return false;
    if (!headers.empty()) {
      std::u16string units = Units(headers);
      if (headersLength != UINT32_MAX && headersLength < units.size())
        units.resize(headersLength);
      if (!AddHeaderLines(Utf8(units), kAddRequestFlagAdd, &request->headers))
        return false;
    }
    size_t bodyLength = std::min<size_t>(optionalLength, optional.size());
    // The rest of a longer body would follow through WinHttpWriteData,
    // which this service does not offer.
    if (totalLength != bodyLength) return false;
    return request->Send(std::string(optional.data(), bodyLength));
  }

  bool ReceiveResponse(HttpHandle handle) override {
    auto request = handles_.Find<Request>(handle);
    return request && request->Receive();
  }

  bool QueryDataAvailable(HttpHandle handle,
                          uint32_t* bytesAvailable) override {
    *bytesAvailable = 0;
    auto request = handles_.Find<Request>(handle);
    return request && request->DataAvailable(bytesAvailable);
  }

  bool ReadData(HttpHandle handle, void* buffer, uint32_t size,
                uint32_t* bytesRead) override {
    *bytesRead = 0;
    auto request = handles_.Find<Request>(handle);
    return request && request->Read(buffer, size, bytesRead);
  }

  bool QueryHeaders(HttpHandle handle, uint32_t infoLevel, const Bytes&,
                    void* buffer, uint32_t* bufferBytes, uint32_t*) override {
    auto request = handles_.Find<Request>(handle);
    if (!request || !request->received() || infoLevel != kQueryRawHeadersCrlf)
      return false;
    // Header bytes become code units one for one, as WinHTTP reads them.
    std::string text;
    for (const std::string& line : request->responseHeaders()) {
      text += line;
      text += "\r\n";
    }
    text += "\r\n";
    uint64_t needed = (text.size() + 1) * 2;
    if (buffer == nullptr || *bufferBytes < needed) {
      *bufferBytes = static_cast<uint32_t>(needed);
      return false;
    }
    auto* out = static_cast<unsigned char*>(buffer);
    for (size_t i = 0; i <= text.size(); ++i) {
      out[2 * i] = i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
      out[2 * i + 1] = 0;
    }
    *bufferBytes = static_cast<uint32_t>(text.size() * 2);
    return true;
  }

  bool CloseHandle(HttpHandle handle) override {
    return handle == nullptr || handles_.Close(handle);
  }

  // There is no COM here; the entry always succeeds.
  int32_t CoInitialize() override { return 0; }
  void CoUninitialize() override {}
  void ProcessEvents() override { feed::ProcessEvents(); }

 private:
  HandleTable handles_;
};

}  // namespace

HttpService& SystemHttpService() {
  static CurlHttpService* service = new CurlHttpService();
  return *service;
}

}  // namespace feed
