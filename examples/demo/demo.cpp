// DEMO.EXE: the small program the demo package installs.  It shows a
// window saying where it runs from, and leaves DEMO.RUN in its working
// directory so that a test can tell it was started.
#include <windows.h>

namespace {

char Where[MAX_PATH + 64] = "Pagemix Demo is installed in ";

LRESULT CALLBACK DemoWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    DrawTextA(dc, Where, -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    EndPaint(window, &paint);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

void LeaveMarker() {
  const HANDLE marker = CreateFileA("DEMO.RUN", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  LeaveMarker();
  const int prefix = lstrlenA(Where);
  GetCurrentDirectoryA(MAX_PATH, Where + prefix);

  WNDCLASSA window_class{};
  window_class.lpfnWndProc = DemoWindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = "PagemixDemo";
  RegisterClassA(&window_class);
  const HWND window = CreateWindowExA(0, "PagemixDemo", "Pagemix Demo", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                      CW_USEDEFAULT, 480, 160, nullptr, nullptr, instance, nullptr);
  ShowWindow(window, show);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
