// The test robot: a Win32 console program that starts SETUP.EXE under Wine
// and drives it the way a person would, checking what it shows.
//
// It runs one scenario file, one command per line ('#' starts a comment,
// the last argument of a command takes the rest of the line):
//
//   app-version VERSION      Windows version Wine reports to SETUP.EXE
//   shell-folder VALUE       set the user's "Shell Folders" value "programs":
//                            "missing", "dword", "expand PATH" (a
//                            REG_EXPAND_SZ), or a REG_SZ path; "no-key"
//                            removes the whole "Shell Folders" key (the
//                            key's old values come back at the end)
//   run [PROGRAM]            start the program (default SETUP.EXE); it
//                            becomes the program the commands below mean
//   program N                the Nth program started (1 is the first)
//                            becomes that program again
//   window CLASS [CAPTION]   wait for a visible top-level window of the
//                            program other than the current one; it
//                            becomes the current window
//   no-window CLASS          the program has no visible window of CLASS
//   text ID TEXT             control ID of the current window shows TEXT
//   has-text TEXT            some control of the current window shows TEXT
//   rect X Y W H             the current window's screen rectangle
//   style-has HEX            the current window's style has these bits
//   centered                 the current window stands in the middle of the
//                            screen (half the screen less half its size)
//   layout N TEMPLATE        buttons 1 and 2 as the installer lays out N
//                            of them (3: button 2 alone): equally wide, the
//                            widest label less 20 (at least 100), centred
//                            on half the window's width, 10 pixels apart;
//                            each as high as in the dialog template
//                            TEMPLATE of the running program and 25 pixels
//                            above its place there, measured from the
//                            window's outer top edge
//   foreground               wait until the current window is the
//                            foreground (active) window
//   focus ID                 control ID has the keyboard focus
//   first-child ID           control ID is first in the window's Z order
//                            (and so in its tab order)
//   key ID RETURN|ESCAPE     press a key while control ID has the focus
//   closed                   wait until the current window is gone
//   press ID                 click a button of the current window
//   close                    click the current window's close box
//   close-message            post WM_CLOSE to the current window
//   quit-message             post WM_QUIT to the program's main thread
//   type ID TEXT             replace an edit control's text
//   same-file A B            the two files hold the same bytes
//   same-time A B            the two files were last modified within the
//                            2 seconds FAT's times are apart
//   file PATH / no-file PATH a file or directory exists / does not
//   wait-file PATH           wait until a file exists
//   remove PATH              delete a file, or an empty directory
//   copy FROM TO             copy a file (to put a disk in the drive)
//   pixel X Y RRGGBB         the screen shows this colour there
//   wait-pixel X Y RRGGBB    wait until the screen shows this colour there
//   region-has X Y W H RRGGBB    some pixel of the rectangle has the colour
//   region-lacks X Y W H RRGGBB  no pixel of the rectangle has it
//   capture NAME             save the screen as NAME.bmp
//   freeze / thaw            suspend and resume the program's main thread,
//                            so that a busy screen holds still while it is
//                            checked (only screen checks work meanwhile:
//                            the program answers no messages)
//   exit CODE                wait for the program to end with CODE
//   timeout SECONDS          how long waits last (default 20)
//   sleep MILLISECONDS       wait
//
// Lines starting with "package", "pack", "set", "set-raw", "stub",
// "damage" or "expect-link" are for the scenario runner, not for the
// robot.  On the first failure the robot saves failure.bmp, lists the
// program's windows, ends the program and exits with 1.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

PROCESS_INFORMATION Program{};
std::vector<PROCESS_INFORMATION> Started;  // every program run, in order
bool Frozen = false;  // the program's main thread is suspended
std::string ProgramFile;  // as given to run
HWND Current = nullptr;
DWORD TimeoutMs = 20000;
std::string AppVersionKey;  // registry key to remove at the end, if set
constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
bool ShellFolderChanged = false;
struct RegistryValue {
  std::string name;
  DWORD type;
  std::string data;
};
std::vector<RegistryValue> SavedShellFolders;  // the key's values as they were
bool HadProgramsValue = false;
int LineNumber = 0;

struct Failure {
  std::string what;
};

[[noreturn]] void Fail(const std::string& what) { throw Failure{what}; }

std::string WindowText(HWND window) {
  char text[1024] = {};
  // WM_GETTEXT works across processes for controls and top-level windows.
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                      nullptr);
  return text;
}

std::string ClassName(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

BOOL CALLBACK CollectProgramWindow(HWND window, LPARAM list) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == Program.dwProcessId && IsWindowVisible(window)) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  }
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

std::vector<HWND> ProgramWindows() {
  std::vector<HWND> found;
  EnumWindows(CollectProgramWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::vector<HWND> Children(HWND window) {
  std::vector<HWND> found;
  EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&found));
  return found;
}

void DumpWindows() {
  for (HWND w : ProgramWindows()) {
    RECT r;
    GetWindowRect(w, &r);
    std::printf("  window %s \"%s\" (%ld,%ld)-(%ld,%ld)\n", ClassName(w).c_str(), WindowText(w).c_str(), r.left,
                r.top, r.right, r.bottom);
    for (HWND c : Children(w)) {
      GetWindowRect(c, &r);
      std::printf("    control %d %s \"%s\" visible=%d (%ld,%ld)-(%ld,%ld)\n", GetDlgCtrlID(c),
                  ClassName(c).c_str(), WindowText(c).c_str(), IsWindowVisible(c) ? 1 : 0, r.left, r.top, r.right,
                  r.bottom);
    }
  }
}

HWND FindWindowOf(const std::string& class_name, const std::string& caption, bool any_caption,
                  HWND except = nullptr) {
  for (HWND w : ProgramWindows()) {
    if (w != except && ClassName(w) == class_name && (any_caption || WindowText(w) == caption)) return w;
  }
  return nullptr;
}

HWND Control(int id) {
  if (Current == nullptr) Fail("no current window");
  const HWND control = GetDlgItem(Current, id);
  if (control == nullptr) Fail("the current window has no control " + std::to_string(id));
  return control;
}

// Lets the program finish painting: it has gone idle in its message loop
// and Wine has had time to copy its windows to the display.
void Settle() {
  if (Program.hProcess && !Frozen) WaitForInputIdle(Program.hProcess, 2000);
  Sleep(300);
}

void SaveScreen(const std::string& name) {
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  GdiFlush();
  const DWORD row = (width * 3 + 3) & ~3u, image = row * height;
  BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + image), 0, 0,
                        sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
  std::ofstream out(name + ".bmp", std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  out.write(static_cast<const char*>(bits), image);
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

// Repeats check until it holds or the timeout passes.
template <typename Check>
bool WaitFor(Check check) {
  const DWORD start = GetTickCount();
  while (!check()) {
    if (GetTickCount() - start > TimeoutMs) return false;
    Sleep(50);
  }
  return true;
}

std::string Rest(std::istringstream& in) {
  std::string rest;
  std::getline(in >> std::ws, rest);
  while (!rest.empty() && (rest.back() == '\r' || rest.back() == ' ')) rest.pop_back();
  return rest;
}

int Int(std::istringstream& in) {
  std::string word;
  if (!(in >> word)) Fail("a number is missing");
  return static_cast<int>(std::strtoll(word.c_str(), nullptr, 0));
}

void Expect(bool ok, const std::string& what) {
  if (!ok) Fail(what);
}

void ExpectRect(const RECT& r, int x, int y, int w, int h, const std::string& what) {
  std::ostringstream actual;
  actual << what << " is " << r.left << ',' << r.top << ' ' << r.right - r.left << 'x' << r.bottom - r.top
         << ", expected " << x << ',' << y << ' ' << w << 'x' << h;
  Expect(r.left == x && r.top == y && r.right - r.left == w && r.bottom - r.top == h, actual.str());
}

// The installer measures labels in the dialog's plain device context,
// and so does this.
int LabelWidth(HWND dialog, const std::string& label) {
  const HDC dc = GetDC(dialog);
  SIZE size{};
  GetTextExtentPoint32A(dc, label.c_str(), static_cast<int>(label.size()), &size);
  ReleaseDC(dialog, dc);
  return size.cx;
}

INT_PTR CALLBACK InertDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Where control id stands before anything moves it, relative to the
// dialog's outer top-left corner: a hidden copy of the dialog, built by
// the system from the template in the running program's file.
RECT TemplatePlace(const std::string& template_name, int id) {
  char path[MAX_PATH] = {};
  GetFullPathNameA(ProgramFile.c_str(), sizeof path, path, nullptr);
  const HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  Expect(module != nullptr, std::string("cannot open ") + path);
  const HRSRC found = FindResourceA(module, template_name.c_str(), reinterpret_cast<LPCSTR>(RT_DIALOG));
  const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (bytes == nullptr) {
    FreeLibrary(module);
    Fail("the program has no dialog template " + template_name);
  }
  std::vector<char> copy(bytes, bytes + SizeofResource(module, found));
  FreeLibrary(module);
  // The style comes first in a plain template, after 12 bytes in an
  // extended one (which begins with 1, 0xFFFF).
  const bool extended = copy.size() >= 4 && reinterpret_cast<const WORD*>(copy.data())[1] == 0xFFFF;
  DWORD style;
  std::copy_n(copy.data() + (extended ? 12 : 0), sizeof style, reinterpret_cast<char*>(&style));
  style &= ~WS_VISIBLE;
  std::copy_n(reinterpret_cast<const char*>(&style), sizeof style, copy.data() + (extended ? 12 : 0));
  const HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                                 reinterpret_cast<const DLGTEMPLATE*>(copy.data()), nullptr,
                                                 InertDialog, 0);
  Expect(dialog != nullptr, "cannot build the dialog " + template_name);
  const HWND control = GetDlgItem(dialog, id);
  RECT d{}, b{};
  GetWindowRect(dialog, &d);
  GetWindowRect(control, &b);
  DestroyWindow(dialog);
  Expect(control != nullptr, "the template " + template_name + " has no control " + std::to_string(id));
  return {b.left - d.left, b.top - d.top, b.right - d.left, b.bottom - d.top};
}

void ExpectLayout(int count, const std::string& template_name) {
  const int first = count == 3 ? 2 : 1;
  const int buttons = count == 3 ? 1 : count;
  RECT d;
  GetWindowRect(Current, &d);
  int width = 120;
  for (int id = first; id < first + buttons; ++id) width = std::max(width, LabelWidth(Current, WindowText(Control(id))));
  const int w = width - 20;
  int x = (d.right - d.left) / 2 - ((w / 2) * buttons + 10 * (buttons - 1));
  for (int id = first; id < first + buttons; ++id) {
    RECT r;
    GetWindowRect(Control(id), &r);
    MapWindowPoints(nullptr, Current, reinterpret_cast<POINT*>(&r), 2);
    // The installer turns the distance from the outer top edge into a
    // client coordinate by taking a fixed 25 pixels off.
    const RECT place = TemplatePlace(template_name, id);
    Expect(IsWindowVisible(Control(id)), "button " + std::to_string(id) + " is hidden");
    ExpectRect(r, x, place.top - 25, w, place.bottom - place.top, "button " + std::to_string(id));
    x += w + 10;
  }
  for (int id = 1; id <= 2; ++id) {
    const bool laid_out = id >= first && id < first + buttons;
    const HWND button = GetDlgItem(Current, id);
    Expect(laid_out || button == nullptr || !IsWindowVisible(button), "button " + std::to_string(id) + " is shown");
  }
}

// Whether any pixel of the screen rectangle has the colour.
bool RegionHas(int x, int y, int w, int h, COLORREF colour) {
  const HDC screen = GetDC(nullptr);
  bool found = false;
  for (int row = y; row < y + h && !found; ++row) {
    for (int column = x; column < x + w && !found; ++column) found = GetPixel(screen, column, row) == colour;
  }
  ReleaseDC(nullptr, screen);
  return found;
}

COLORREF Colour(const std::string& rrggbb) {
  const unsigned long rgb = std::strtoul(rrggbb.c_str(), nullptr, 16);
  return RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

bool SameFile(const std::string& a, const std::string& b) {
  std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
  if (!fa || !fb) return false;
  return std::string(std::istreambuf_iterator<char>(fa), {}) == std::string(std::istreambuf_iterator<char>(fb), {});
}

// When the file was last modified, in seconds from 1601.
long long ModifiedSeconds(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  Expect(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data), "cannot read the times of " + path);
  const unsigned long long steps =
      (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
  return static_cast<long long>(steps / 10000000);
}

void SetAppVersion(const std::string& version) {
  AppVersionKey = "Software\\Wine\\AppDefaults\\SETUP.EXE";
  HKEY key;
  Expect(RegCreateKeyExA(HKEY_CURRENT_USER, AppVersionKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                         nullptr) == ERROR_SUCCESS,
         "cannot write the Wine application defaults");
  RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                 static_cast<DWORD>(version.size() + 1));
  RegCloseKey(key);
}

HKEY OpenShellFolders() {
  HKEY key = nullptr;
  Expect(RegCreateKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
             ERROR_SUCCESS,
         "cannot open Shell Folders");
  return key;
}

void SaveShellFolders(HKEY key) {
  for (DWORD index = 0;; ++index) {
    char name[1024] = {}, data[4096] = {};
    DWORD name_size = sizeof name, size = sizeof data, type = 0;
    if (RegEnumValueA(key, index, name, &name_size, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
        ERROR_SUCCESS) {
      break;
    }
    SavedShellFolders.push_back({name, type, std::string(data, size)});
    HadProgramsValue = HadProgramsValue || lstrcmpiA(name, "programs") == 0;
  }
}

void SetString(HKEY key, DWORD type, const std::string& value) {
  RegSetValueExA(key, "programs", 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
}

void SetShellFolder(const std::string& value) {
  HKEY key = OpenShellFolders();
  if (!ShellFolderChanged) {
    SaveShellFolders(key);
    ShellFolderChanged = true;
  }
  if (value == "missing") {
    RegDeleteValueA(key, "programs");
  } else if (value == "no-key") {
    RegCloseKey(key);
    key = nullptr;
    Expect(RegDeleteKeyA(HKEY_CURRENT_USER, kShellFolders) == ERROR_SUCCESS, "cannot remove Shell Folders");
  } else if (value == "dword") {
    const DWORD number = 7;
    RegSetValueExA(key, "programs", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  } else if (value.rfind("expand ", 0) == 0) {
    SetString(key, REG_EXPAND_SZ, value.substr(7));
  } else {
    SetString(key, REG_SZ, value);
  }
  if (key != nullptr) RegCloseKey(key);
}

// Puts back every value the key had, the key too if it was removed.
void RestoreShellFolder() {
  if (!ShellFolderChanged) return;
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return;
  }
  for (const RegistryValue& value : SavedShellFolders) {
    RegSetValueExA(key, value.name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(value.data.data()),
                   static_cast<DWORD>(value.data.size()));
  }
  if (!HadProgramsValue) RegDeleteValueA(key, "programs");
  RegCloseKey(key);
}

void Run(const std::string& program) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string command = program;
  Expect(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &Program),
         "cannot start " + program);
  Started.push_back(Program);
}

void Execute(const std::string& command, std::istringstream& in) {
  if (command == "app-version") {
    SetAppVersion(Rest(in));
  } else if (command == "shell-folder") {
    SetShellFolder(Rest(in));
  } else if (command == "remove") {
    const std::string path = Rest(in);
    if (!DeleteFileA(path.c_str())) RemoveDirectoryA(path.c_str());
  } else if (command == "wait-file") {
    const std::string path = Rest(in);
    Expect(WaitFor([&] { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }),
           path + " did not appear");
  } else if (command == "run") {
    const std::string program = Rest(in);
    ProgramFile = program.empty() ? "SETUP.EXE" : program;
    Run(ProgramFile);
  } else if (command == "program") {
    const int number = Int(in);
    Expect(number >= 1 && number <= static_cast<int>(Started.size()), "no program " + std::to_string(number));
    Program = Started[number - 1];
  } else if (command == "freeze" || command == "thaw") {
    const bool freeze = command == "freeze";
    Expect(freeze != Frozen, "the program is already " + std::string(freeze ? "frozen" : "thawed"));
    const DWORD count = freeze ? SuspendThread(Program.hThread) : ResumeThread(Program.hThread);
    Expect(count != static_cast<DWORD>(-1), "cannot " + command + " the program");
    Frozen = freeze;
  } else if (command == "sleep") {
    Sleep(static_cast<DWORD>(Int(in)));
  } else if (command == "timeout") {
    TimeoutMs = static_cast<DWORD>(Int(in)) * 1000;
  } else if (command == "window") {
    std::string class_name;
    in >> class_name;
    const std::string caption = Rest(in);
    const bool any = caption.empty();
    const HWND previous = Current;
    HWND found = nullptr;
    Expect(WaitFor([&] { return (found = FindWindowOf(class_name, caption, any, previous)) != nullptr; }),
           "no window " + class_name + (any ? "" : " \"" + caption + "\"") + " appeared");
    Current = found;
  } else if (command == "no-window") {
    std::string class_name;
    in >> class_name;
    Expect(FindWindowOf(class_name, "", true) == nullptr, "a window " + class_name + " is shown");
  } else if (command == "text") {
    const int id = Int(in);
    const std::string expected = Rest(in), actual = WindowText(Control(id));
    Expect(actual == expected, "control " + std::to_string(id) + " shows \"" + actual + "\"");
  } else if (command == "has-text") {
    const std::string expected = Rest(in);
    bool found = false;
    for (HWND c : Children(Current)) found = found || WindowText(c) == expected;
    Expect(found, "no control shows \"" + expected + "\"");
  } else if (command == "rect") {
    RECT r;
    GetWindowRect(Current, &r);
    const int x = Int(in), y = Int(in), w = Int(in), h = Int(in);
    ExpectRect(r, x, y, w, h, "the window");
  } else if (command == "style-has") {
    const DWORD bits = static_cast<DWORD>(Int(in));
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(Current, GWL_STYLE));
    Expect((style & bits) == bits, "the window's style lacks some of the bits");
  } else if (command == "centered") {
    RECT r;
    GetWindowRect(Current, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    ExpectRect(r, GetSystemMetrics(SM_CXSCREEN) / 2 - w / 2, GetSystemMetrics(SM_CYSCREEN) / 2 - h / 2, w, h,
               "the window");
  } else if (command == "layout") {
    const int count = Int(in);
    ExpectLayout(count, Rest(in));
  } else if (command == "foreground") {
    Expect(WaitFor([] { return GetForegroundWindow() == Current; }), "the window is not in the foreground");
  } else if (command == "focus") {
    const int id = Int(in);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(Current, nullptr), &info);
    Expect(info.hwndFocus == Control(id), "control " + std::to_string(id) + " does not have the focus");
  } else if (command == "first-child") {
    const int id = Int(in);
    Expect(GetWindow(Current, GW_CHILD) == Control(id), "control " + std::to_string(id) + " is not first");
  } else if (command == "key") {
    const HWND control = Control(Int(in));
    const std::string name = Rest(in);
    const WPARAM key = name == "RETURN" ? VK_RETURN : name == "ESCAPE" ? VK_ESCAPE : 0;
    Expect(key != 0, "unknown key " + name);
    PostMessageA(control, WM_KEYDOWN, key, 1);
    PostMessageA(control, WM_KEYUP, key, 0xC0000001);
  } else if (command == "closed") {
    const HWND window = Current;
    Expect(WaitFor([&] { return !IsWindow(window) || !IsWindowVisible(window); }), "the window is still open");
  } else if (command == "press") {
    PostMessageA(Control(Int(in)), BM_CLICK, 0, 0);
  } else if (command == "close") {
    PostMessageA(Current, WM_SYSCOMMAND, SC_CLOSE, 0);
  } else if (command == "close-message") {
    Expect(Current != nullptr && PostMessageA(Current, WM_CLOSE, 0, 0), "cannot post WM_CLOSE");
  } else if (command == "quit-message") {
    Expect(PostThreadMessageA(Program.dwThreadId, WM_QUIT, 0, 0), "cannot post WM_QUIT to the program");
  } else if (command == "same-file") {
    std::string a, b;
    in >> a >> b;
    Expect(SameFile(a, b), a + " and " + b + " differ or are missing");
  } else if (command == "same-time") {
    std::string a, b;
    in >> a >> b;
    const auto apart = ModifiedSeconds(a) - ModifiedSeconds(b);
    Expect(apart >= -2 && apart <= 2, a + " and " + b + " were modified " + std::to_string(apart) + " s apart");
  } else if (command == "file" || command == "no-file") {
    const std::string path = Rest(in);
    const bool exists = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    Expect(exists == (command == "file"), path + (exists ? " exists" : " does not exist"));
  } else if (command == "copy") {
    std::string from, to;
    in >> from >> to;
    Expect(CopyFileA(from.c_str(), to.c_str(), FALSE), "cannot copy " + from + " to " + to);
  } else if (command == "type") {
    const HWND edit = Control(Int(in));
    const std::string text = Rest(in);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  } else if (command == "pixel" || command == "wait-pixel") {
    const int x = Int(in), y = Int(in);
    const COLORREF wanted = Colour(Rest(in));
    COLORREF seen = CLR_INVALID;
    const auto shows = [&] {
      const HDC screen = GetDC(nullptr);
      seen = GetPixel(screen, x, y);
      ReleaseDC(nullptr, screen);
      return seen == wanted;
    };
    if (command == "pixel") {
      Settle();
      shows();
    } else {
      WaitFor(shows);
    }
    char actual[16];
    std::snprintf(actual, sizeof actual, "%02X%02X%02X", GetRValue(seen), GetGValue(seen), GetBValue(seen));
    Expect(seen == wanted, "pixel " + std::to_string(x) + "," + std::to_string(y) + " is " + actual);
  } else if (command == "region-has" || command == "region-lacks") {
    const int x = Int(in), y = Int(in), w = Int(in), h = Int(in);
    const std::string colour = Rest(in);
    Settle();
    const bool found = RegionHas(x, y, w, h, Colour(colour));
    Expect(found == (command == "region-has"), std::string(found ? "found " : "did not find ") + colour);
  } else if (command == "capture") {
    Settle();
    SaveScreen(Rest(in));
  } else if (command == "exit") {
    const DWORD expected = static_cast<DWORD>(Int(in));
    Expect(WaitForSingleObject(Program.hProcess, TimeoutMs) == WAIT_OBJECT_0, "the program did not end");
    DWORD code = 0;
    GetExitCodeProcess(Program.hProcess, &code);
    Expect(code == expected, "the program ended with exit code " + std::to_string(code));
  } else {
    Fail("unknown command " + command);
  }
}

void CleanUp() {
  if (!AppVersionKey.empty()) RegDeleteKeyA(HKEY_CURRENT_USER, AppVersionKey.c_str());
  RestoreShellFolder();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: robot SCENARIO\n");
    return 2;
  }
  std::ifstream scenario(argv[1]);
  if (!scenario) {
    std::fprintf(stderr, "robot: cannot read %s\n", argv[1]);
    return 2;
  }
  std::string line;
  try {
    while (std::getline(scenario, line)) {
      ++LineNumber;
      std::istringstream in(line);
      std::string command;
      if (!(in >> command) || command[0] == '#' || command == "package" || command == "pack" || command == "stub" ||
          command == "set" || command == "set-raw" || command == "damage" || command == "expect-link") {
        continue;
      }
      Execute(command, in);
      std::printf("ok   %3d  %s\n", LineNumber, line.c_str());
    }
  } catch (const Failure& failure) {
    std::printf("FAIL %3d  %s\n     %s\n", LineNumber, line.c_str(), failure.what.c_str());
    SaveScreen("failure");
    DumpWindows();
    for (const PROCESS_INFORMATION& program : Started) TerminateProcess(program.hProcess, 99);
    CleanUp();
    return 1;
  }
  CleanUp();
  std::printf("scenario passed\n");
  return 0;
}
