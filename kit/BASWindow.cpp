#include "kit/BASWindow.h"

#include "kit/DoubleBuffer.h"
#include "kit/GdiHandles.h"

#include <windowsx.h>

#include <cstdio>
#include <exception>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace {

// Marks a window whose procedure understands reflected notifications. A property and not a
// pointer, so a parent of one module can reflect to a child made by another module.
const wchar_t kReflectProp[] = L"ZsReflectTarget";

// The windows this module's copy of the base has bound, with their threads. A parent finds a
// child of its own module here without a window-property lookup and calls it directly rather
// than through the subclass chain: both cost a round trip to the window server under Wine,
// which a list of 50 000 rows pays once per row for each notification it sends.
struct BoundWindow {
  BASWindow* window;
  DWORD threadId;
};
std::mutex g_boundLock;
std::unordered_map<HWND, BoundWindow>& BoundWindows() {
  static auto* bound = new std::unordered_map<HWND, BoundWindow>;  // outlives every window
  return *bound;
}

// The procedures that controls taken over by this module had before (window procedure
// replacement rather than the common controls' subclass chain, whose dispatcher costs a
// window-server round trip per message under Wine: a list view's header hears several per
// inserted row). Kept until the control is destroyed or given back.
std::unordered_map<HWND, WNDPROC>& PreviousProcs() {
  static auto* procs = new std::unordered_map<HWND, WNDPROC>;
  return *procs;
}

WNDPROC PreviousProc(HWND hwnd) {
  std::lock_guard<std::mutex> lock(g_boundLock);
  auto it = PreviousProcs().find(hwnd);
  return it == PreviousProcs().end() ? nullptr : it->second;
}

BASWindow* BoundObject(HWND hwnd) {
  std::lock_guard<std::mutex> lock(g_boundLock);
  auto it = BoundWindows().find(hwnd);
  return it == BoundWindows().end() ? nullptr : it->second.window;
}

BASWindow* BoundOnThisThread(HWND hwnd) {
  std::lock_guard<std::mutex> lock(g_boundLock);
  auto it = BoundWindows().find(hwnd);
  return it != BoundWindows().end() && it->second.threadId == GetCurrentThreadId() ? it->second.window : nullptr;
}

// The control that CreateControl is about to create on this thread.
struct PendingControl {
  BASWindow* window;
  HWND parent;
};
thread_local PendingControl t_pending{};

bool IsColorMessage(UINT msg) { return msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC; }

bool IsReflectable(UINT msg) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_COMPAREITEM:
    case WM_DELETEITEM:
      return true;
    default:
      return IsColorMessage(msg);
  }
}

// The child a notification comes from, or null (menus, accelerators, no sender).
HWND NotifyingChild(HWND parent, UINT msg, LPARAM lp) {
  if (!lp) return nullptr;
  switch (msg) {
    case WM_NOTIFY:
      return reinterpret_cast<NMHDR*>(lp)->hwndFrom;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      return item->CtlType == ODT_MENU ? nullptr : item->hwndItem;
    }
    case WM_MEASUREITEM: {
      // The only message of the set that names its sender by id alone.
      const auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      return item->CtlType == ODT_MENU ? nullptr : GetDlgItem(parent, static_cast<int>(item->CtlID));
    }
    case WM_COMPAREITEM:
      return reinterpret_cast<COMPAREITEMSTRUCT*>(lp)->hwndItem;
    case WM_DELETEITEM:
      return reinterpret_cast<DELETEITEMSTRUCT*>(lp)->hwndItem;
    default:  // WM_COMMAND and WM_CTLCOLOR* carry the child itself
      return reinterpret_cast<HWND>(lp);
  }
}

void TraceFailure(HWND hwnd, UINT msg, const char* what) {
  std::fprintf(stderr, "BASWindow: %s in message 0x%04X of window %p\n", what, msg, static_cast<void*>(hwnd));
}

HMENU ChildId(DWORD style, UINT id) {
  return (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
}

}  // namespace

BASWindow::~BASWindow() {
  if (!m_hwnd) return;
  const HWND hwnd = m_hwnd;
  const bool owns = m_ownsWindow;
  // Unbound first: the derived part is gone, so no handler may run during the destroy.
  Unbind(hwnd);
  if (owns) DestroyWindow(hwnd);
}

HINSTANCE BASWindow::ModuleInstance() {
  static const HINSTANCE instance = [] {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       kReflectProp, &module);
    return module;
  }();
  return instance;
}

bool BASWindow::RegisterWindowClass(const wchar_t* className, UINT style, HBRUSH background) {
  if (!className || !*className) return false;
  const HINSTANCE instance = ModuleInstance();
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, className, &existing)) {
    if (existing.lpfnWndProc == WindowProc) return true;
    std::fprintf(stderr, "BASWindow: class %ls already has another window procedure\n", className);
    return false;
  }
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = background;
  wc.lpszClassName = className;
  if (RegisterClassExW(&wc)) return true;
  std::fprintf(stderr, "BASWindow: RegisterClassEx %ls GetLastError: %lu\n", className, GetLastError());
  return false;
}

BASWindow* BASWindow::FromHandle(HWND hwnd) {
  if (!hwnd || !IsWindow(hwnd)) return nullptr;
  // Only this module's procedure proves the pointer is an object of this module's layout.
  if (GetClassLongPtrW(hwnd, GCLP_WNDPROC) == reinterpret_cast<ULONG_PTR>(&WindowProc))
    return reinterpret_cast<BASWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  return BoundObject(hwnd);
}

bool BASWindow::Create(HWND parent, const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle,
                       const RECT& rect, UINT id) {
  if (m_hwnd || !RegisterWindowClass(className)) return false;
  const HWND hwnd = CreateWindowExW(exStyle, className, title, style, rect.left, rect.top, rect.right - rect.left,
                                    rect.bottom - rect.top, parent, ChildId(style, id), ModuleInstance(), this);
  if (hwnd) return true;
  std::fprintf(stderr, "BASWindow: CreateWindowEx %ls GetLastError: %lu\n", className, GetLastError());
  m_hwnd = nullptr;
  return false;
}

bool BASWindow::CreateControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle,
                              const RECT& rect, UINT id) {
  if (m_hwnd) return false;
  // The hook subclasses the control before its WM_NCCREATE, so the messages a control sends
  // while it is being made (an owner-drawn combo's WM_MEASUREITEM) are already reflected.
  const HHOOK hook = SetWindowsHookExW(WH_CBT, CreationHook, nullptr, GetCurrentThreadId());
  const PendingControl outer = t_pending;
  t_pending = {this, parent};
  const HWND hwnd = CreateWindowExW(exStyle, className, text, style, rect.left, rect.top, rect.right - rect.left,
                                    rect.bottom - rect.top, parent, ChildId(style, id), ModuleInstance(), nullptr);
  t_pending = outer;
  if (hook) UnhookWindowsHookEx(hook);
  if (!hwnd) {
    std::fprintf(stderr, "BASWindow: CreateWindowEx %ls GetLastError: %lu\n", className, GetLastError());
    m_hwnd = nullptr;
    m_subclassed = false;
    return false;
  }
  if (!m_hwnd && !Subclass(hwnd)) {
    DestroyWindow(hwnd);
    return false;
  }
  m_ownsWindow = true;
  return true;
}

bool BASWindow::Subclass(HWND hwnd) {
  if (m_hwnd || !IsWindow(hwnd) || FromHandle(hwnd)) return false;
  if (!TakeOver(hwnd)) {
    std::fprintf(stderr, "BASWindow: subclassing %p failed, GetLastError: %lu\n", static_cast<void*>(hwnd),
                 GetLastError());
    return false;
  }
  Bind(hwnd, true);
  return true;
}

void BASWindow::Unsubclass() {
  if (m_hwnd && m_subclassed) Unbind(m_hwnd);
}

void BASWindow::Destroy() {
  if (m_hwnd) DestroyWindow(m_hwnd);
}

void BASWindow::Bind(HWND hwnd, bool subclassed) {
  m_hwnd = hwnd;
  m_subclassed = subclassed;
  m_ownsWindow = !subclassed;
  if (!subclassed) SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetPropW(hwnd, kReflectProp, reinterpret_cast<HANDLE>(1));
  std::lock_guard<std::mutex> lock(g_boundLock);
  BoundWindows()[hwnd] = BoundWindow{this, GetWindowThreadProcessId(hwnd, nullptr)};
}

void BASWindow::Unbind(HWND hwnd) {
  if (m_subclassed)
    GiveBack(hwnd);
  else
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  RemovePropW(hwnd, kReflectProp);
  {
    std::lock_guard<std::mutex> lock(g_boundLock);
    BoundWindows().erase(hwnd);
  }
  m_hwnd = nullptr;
  m_subclassed = false;
  m_ownsWindow = false;
}

LRESULT CALLBACK BASWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  BASWindow* self;
  if (msg == WM_NCCREATE) {
    self = static_cast<BASWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    if (self) self->Bind(hwnd, false);
  } else {
    self = reinterpret_cast<BASWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  return self ? self->Route(hwnd, msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK BASWindow::ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (BASWindow* self = BoundObject(hwnd)) return self->Route(hwnd, msg, wp, lp);
  // Given back while another procedure sat on top of this one: only pass messages on.
  const WNDPROC previous = PreviousProc(hwnd);
  const LRESULT result = previous ? CallWindowProcW(previous, hwnd, msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    std::lock_guard<std::mutex> lock(g_boundLock);
    PreviousProcs().erase(hwnd);
  }
  return result;
}

bool BASWindow::TakeOver(HWND hwnd) {
  SetLastError(0);
  const auto previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BASWindow::ControlProc)));
  if (previous == nullptr && GetLastError() != 0) return false;
  std::lock_guard<std::mutex> lock(g_boundLock);
  PreviousProcs()[hwnd] = previous;
  return true;
}

void BASWindow::GiveBack(HWND hwnd) {
  // Restored only while this module's procedure is still the window's own; under another
  // one it stays in the chain and passes everything on.
  if (GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&BASWindow::ControlProc)) return;
  const WNDPROC previous = PreviousProc(hwnd);
  if (previous == nullptr) return;
  SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
  std::lock_guard<std::mutex> lock(g_boundLock);
  PreviousProcs().erase(hwnd);
}

LRESULT CALLBACK BASWindow::CreationHook(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_CREATEWND && t_pending.window) {
    const auto hwnd = reinterpret_cast<HWND>(wp);
    const auto* create = reinterpret_cast<CBT_CREATEWNDW*>(lp);
    // Other windows may be born on this thread first (an IME window): take only ours.
    if (create->lpcs->hwndParent == t_pending.parent && !(GetClassLongW(hwnd, GCL_STYLE) & CS_IME)) {
      BASWindow* window = std::exchange(t_pending.window, nullptr);
      if (TakeOver(hwnd)) window->Bind(hwnd, true);
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

LRESULT BASWindow::CallDefault(bool subclassed, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  // A reflected message the control leaves alone must not reach the control's own
  // procedure, which would take it for one of its private messages.
  if (msg >= kReflectBase && IsReflectable(msg - kReflectBase)) {
    const UINT original = msg - kReflectBase;
    return IsColorMessage(original) ? DefWindowProcW(hwnd, original, wp, lp) : 0;
  }
  if (subclassed) {
    if (const WNDPROC previous = PreviousProc(hwnd)) return CallWindowProcW(previous, hwnd, msg, wp, lp);
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT BASWindow::DefaultProc(UINT msg, WPARAM wp, LPARAM lp) {
  return m_hwnd ? CallDefault(m_subclassed, m_hwnd, msg, wp, lp) : 0;
}

LRESULT BASWindow::Route(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  if (msg == WM_NCDESTROY) return FinalMessage(hwnd, wp, lp);
  // Read before dispatch: a handler may unbind the window on the way.
  const bool subclassed = m_subclassed;
  try {
    return Dispatch(hwnd, msg, wp, lp, subclassed);
  } catch (const std::exception& e) {
    TraceFailure(hwnd, msg, e.what());
  } catch (...) {
    TraceFailure(hwnd, msg, "unknown exception");
  }
  // A window whose OnCreate failed half-way is worse than no window.
  if (msg == WM_CREATE) return -1;
  return CallDefault(subclassed, hwnd, msg, wp, lp);
}

LRESULT BASWindow::FinalMessage(HWND hwnd, WPARAM wp, LPARAM lp) noexcept {
  const bool subclassed = m_subclassed;
  const WNDPROC previous = subclassed ? PreviousProc(hwnd) : nullptr;
  Unbind(hwnd);
  const LRESULT result = previous ? CallWindowProcW(previous, hwnd, WM_NCDESTROY, wp, lp)
                                  : CallDefault(false, hwnd, WM_NCDESTROY, wp, lp);
  if (subclassed) {
    std::lock_guard<std::mutex> lock(g_boundLock);
    PreviousProcs().erase(hwnd);
  }
  try {
    OnFinalMessage(hwnd);
  } catch (const std::exception& e) {
    TraceFailure(hwnd, WM_NCDESTROY, e.what());
  } catch (...) {
    TraceFailure(hwnd, WM_NCDESTROY, "unknown exception");
  }
  return result;
}

LRESULT BASWindow::Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool subclassed) {
  switch (msg) {
    case WM_CREATE: {
      const LRESULT result = CallDefault(subclassed, hwnd, msg, wp, lp);
      if (result == -1) return -1;
      return OnCreate(reinterpret_cast<CREATESTRUCTW*>(lp)) ? result : -1;
    }
    case WM_DESTROY:
      OnDestroy();
      return CallDefault(subclassed, hwnd, msg, wp, lp);
    case WM_SIZE: {
      const LRESULT result = CallDefault(subclassed, hwnd, msg, wp, lp);
      OnSize(LOWORD(lp), HIWORD(lp));
      return result;
    }
    case WM_TIMER:
      if (OnTimer(wp)) return 0;
      break;
    case WM_COMMAND:
      if (OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp))) return 0;
      return FromChild(hwnd, msg, wp, lp, subclassed);
    case WM_NOTIFY: {
      LRESULT result = 0;
      if (lp && OnNotify(reinterpret_cast<NMHDR*>(lp), result)) return result;
      return FromChild(hwnd, msg, wp, lp, subclassed);
    }
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_COMPAREITEM:
    case WM_DELETEITEM:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return FromChild(hwnd, msg, wp, lp, subclassed);
    case WM_ERASEBKGND:
      if (PaintsClientArea()) return 1;
      break;
    case WM_PAINT:
      if (!PaintsClientArea()) break;
      // Common controls pass a DC in wParam when they print a child.
      if (wp) {
        PaintInto(hwnd, reinterpret_cast<HDC>(wp));
      } else {
        PaintDc dc(hwnd);
        if (dc.Get()) PaintInto(hwnd, dc);
      }
      return 0;
    case WM_PRINTCLIENT:
      if (!PaintsClientArea() || !wp) break;
      PaintInto(hwnd, reinterpret_cast<HDC>(wp));
      return 0;
    case WM_MOUSEMOVE:
      if (OnMouseMove(GET_X_LPARAM(lp), GET_Y_LPARAM(lp), static_cast<UINT>(wp))) return 0;
      break;
    case WM_LBUTTONDOWN:
      if (OnLButtonDown(GET_X_LPARAM(lp), GET_Y_LPARAM(lp), static_cast<UINT>(wp))) return 0;
      break;
    case WM_LBUTTONUP:
      if (OnLButtonUp(GET_X_LPARAM(lp), GET_Y_LPARAM(lp), static_cast<UINT>(wp))) return 0;
      break;
    case WM_LBUTTONDBLCLK:
      if (OnLButtonDblClk(GET_X_LPARAM(lp), GET_Y_LPARAM(lp), static_cast<UINT>(wp))) return 0;
      break;
    case WM_RBUTTONUP:
      if (OnRButtonUp(GET_X_LPARAM(lp), GET_Y_LPARAM(lp), static_cast<UINT>(wp))) return 0;
      break;
    case WM_MOUSEHOVER:
      if (OnMouseHover(GET_X_LPARAM(lp), GET_Y_LPARAM(lp), static_cast<UINT>(wp))) return 0;
      break;
    case WM_MOUSELEAVE:
      if (OnMouseLeave()) return 0;
      break;
    case kReflectBase + WM_DRAWITEM:
      if (lp && OnDrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lp))) return TRUE;
      break;
    case kReflectBase + WM_MEASUREITEM:
      if (lp && OnMeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lp))) return TRUE;
      break;
    case kReflectBase + WM_COMMAND:
      if (OnReflectedCommand(HIWORD(wp))) return 0;
      break;
    case kReflectBase + WM_NOTIFY: {
      LRESULT result = 0;
      if (lp && OnReflectedNotify(reinterpret_cast<NMHDR*>(lp), result)) return result;
      break;
    }
    default:
      break;
  }
  bool handled = false;
  const LRESULT result = HandleMessage(msg, wp, lp, handled);
  return handled ? result : CallDefault(subclassed, hwnd, msg, wp, lp);
}

LRESULT BASWindow::FromChild(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool subclassed) {
  bool handled = false;
  const LRESULT result = HandleMessage(msg, wp, lp, handled);
  if (handled) return result;
  if (ReflectsNotifications()) {
    const HWND child = NotifyingChild(hwnd, msg, lp);
    if (child && child != hwnd) {
      if (BASWindow* local = BoundOnThisThread(child)) return local->Route(child, kReflectBase + msg, wp, lp);
    }
    // Same thread only: a send to a window of a busy thread could hang this one.
    if (child && child != hwnd && GetPropW(child, kReflectProp) &&
        GetWindowThreadProcessId(child, nullptr) == GetCurrentThreadId())
      return SendMessageW(child, kReflectBase + msg, wp, lp);
  }
  return CallDefault(subclassed, hwnd, msg, wp, lp);
}

LRESULT BASWindow::HandleMessage(UINT, WPARAM, LPARAM, bool& handled) {
  handled = false;
  return 0;
}

void BASWindow::OnPaint(HDC dc, const RECT& client) { FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW)); }

void BASWindow::PaintInto(HWND hwnd, HDC target) {
  RECT client{};
  GetClientRect(hwnd, &client);
  DoubleBuffer buffer(target, client);
  OnPaint(buffer.Dc(), client);
}
