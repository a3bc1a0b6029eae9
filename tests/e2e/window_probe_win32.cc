// Prints the top-level windows whose caption starts with a given text, and
// their child controls, as one JSON object (UTF-8) on standard output:
//
//   window_probe.exe CAPTION-PREFIX
//
//   {"windows": [{"title": ..., "extents": [x, y, width, height],
//                 "client": [x, y, width, height],
//                 "controls": [{"role": ..., "class": ..., "name": ...,
//                               "text": ..., "extents": [...]}, ...]}]}
//
// Roles follow the accessibility names the Linux tests see: "text" for edit
// boxes, "label" for static controls, "push button", "check box" (with
// "checked") and "table" (with "rows"). Coordinates are screen pixels. The
// end-to-end tests run it under Wine beside the program under test.

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(),
                                 static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                      out.data(), size, nullptr, nullptr);
  return out;
}

std::string Json(const std::wstring& text) {
  std::string out = "\"";
  for (char c : Utf8(text)) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Box(const RECT& r) {
  char text[96];
  std::snprintf(text, sizeof text, "[%ld, %ld, %ld, %ld]", r.left, r.top,
                r.right - r.left, r.bottom - r.top);
  return text;
}

std::wstring WindowText(HWND window) {
  // WM_GETTEXT crosses process boundaries for every standard control.
  LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  LRESULT got = SendMessageW(window, WM_GETTEXT, text.size(),
                             reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(got));
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[128] = L"";
  GetClassNameW(window, name, 128);
  return name;
}

std::string Control(HWND control) {
  std::wstring cls = ClassOf(control);
  RECT r;
  GetWindowRect(control, &r);
  LONG style = GetWindowLongW(control, GWL_STYLE);
  std::string role = "other";
  std::string extra;
  if (lstrcmpiW(cls.c_str(), L"Edit") == 0) {
    role = "text";
  } else if (lstrcmpiW(cls.c_str(), L"Static") == 0) {
    role = "label";
  } else if (lstrcmpiW(cls.c_str(), L"Button") == 0) {
    LONG kind = style & BS_TYPEMASK;
    if (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX) {
      role = "check box";
      extra = std::string(", \"checked\": ") +
              (SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED
                   ? "true" : "false");
    } else {
      role = "push button";
    }
  } else if (lstrcmpiW(cls.c_str(), L"SysListView32") == 0) {
    role = "table";
    // LVM_GETITEMCOUNT
    extra = ", \"rows\": " +
            std::to_string(SendMessageW(control, 0x1000 + 4, 0, 0));
  } else if (lstrcmpiW(cls.c_str(), L"SysLink") == 0) {
    role = "link";
  }
  std::wstring text = WindowText(control);
  return "{\"role\": \"" + role + "\", \"class\": " + Json(cls) +
         ", \"name\": " + Json(text) + ", \"text\": " + Json(text) +
         ", \"extents\": " + Box(r) +
         (IsWindowVisible(control) ? ", \"visible\": true" : "") + extra +
         "}";
}

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

struct Search {
  std::wstring prefix;
  std::vector<HWND> found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM param) {
  Search* search = reinterpret_cast<Search*>(param);
  std::wstring title = WindowText(window);
  if (title.compare(0, search->prefix.size(), search->prefix) == 0) {
    search->found.push_back(window);
  }
  return TRUE;
}

}  // namespace

int main() {
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  Search search;
  if (count > 1) search.prefix = argv[1];
  EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
  std::string out = "{\"windows\": [";
  for (size_t i = 0; i < search.found.size(); ++i) {
    HWND window = search.found[i];
    RECT outer;
    GetWindowRect(window, &outer);
    RECT client;
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    std::vector<HWND> children;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
    if (i > 0) out += ", ";
    out += "{\"title\": " + Json(WindowText(window)) +
           ", \"extents\": " + Box(outer) + ", \"client\": " + Box(client) +
           ", \"visible\": " + (IsWindowVisible(window) ? "true" : "false") +
           ", \"controls\": [";
    for (size_t j = 0; j < children.size(); ++j) {
      if (j > 0) out += ", ";
      out += Control(children[j]);
    }
    out += "]}";
  }
  out += "]}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  return search.found.empty() ? 1 : 0;
}
