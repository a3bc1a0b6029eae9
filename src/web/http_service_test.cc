// The system's HTTP service against the local test server: libcurl
// natively, WinHTTP under Wine. Both must behave alike here, since the web
// request relies on it.
