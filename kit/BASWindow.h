#pragma once

#include <windows.h>

#include <commctrl.h>

// Notifications a parent reflects to the child that sent them arrive at the child as the
// original message plus this base (the value OLE controls use), with the original
// parameters: a button gets kReflectBase + WM_DRAWITEM for its own WM_DRAWITEM.
constexpr UINT kReflectBase = 0x2000;

// The one window base. A window is either of a class this module registers (Create) or a
// system control taken over by subclassing (CreateControl, Subclass); both dispatch the
// same way into the typed handlers below.
//
// A handler that returns bool answers whether it handled the message; when it did not, the
// message goes on to HandleMessage and then to the default procedure (the control's own
// procedure for a subclassed control). A handler may destroy its window, but never deletes
// this object: the owner does that, at the earliest in OnFinalMessage.
//
// A parent reflects WM_COMMAND, WM_NOTIFY, WM_DRAWITEM, WM_MEASUREITEM, WM_COMPAREITEM,
// WM_DELETEITEM and WM_CTLCOLOR* that it leaves unhandled to the child that sent them, when
// that child is a BASWindow of any module. A reflected message the child leaves unhandled
// gets the default answer: the system's colours for WM_CTLCOLOR*, 0 otherwise.
class BASWindow {
 public:
  BASWindow() = default;
  BASWindow(const BASWindow&) = delete;
  BASWindow& operator=(const BASWindow&) = delete;
  // Destroys a window this object created; lets go of a control it only subclassed. No
  // handler runs for a window destroyed here.
  virtual ~BASWindow();

  // Registers a window class of this module (once; later calls find it). Create registers
  // with the defaults itself; call this first for another class style or background.
  static bool RegisterWindowClass(const wchar_t* className, UINT style = CS_HREDRAW | CS_VREDRAW,
                                  HBRUSH background = nullptr);
  // The module (EXE or DLL) whose code this is, so each plug-in owns its own classes.
  static HINSTANCE ModuleInstance();
  // The object bound to a window by this module's copy of the base, or null.
  static BASWindow* FromHandle(HWND hwnd);

  bool Create(HWND parent, const wchar_t* className, const wchar_t* title, DWORD style, DWORD exStyle, const RECT& rect,
              UINT id = 0);
  // Creates a system control ("BUTTON", WC_LISTVIEWW, ...) subclassed before its first
  // message, so the parent's first WM_MEASUREITEM already reaches this object.
  bool CreateControl(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, DWORD exStyle,
                     const RECT& rect, UINT id);
  // Takes over an existing control (such as a list view's header). The control survives
  // this object; Unsubclass gives it back earlier.
  bool Subclass(HWND hwnd);
  void Unsubclass();
  void Destroy();

  HWND Hwnd() const { return m_hwnd; }
  bool IsSubclassed() const { return m_subclassed; }

 protected:
  // True: WM_PAINT and WM_PRINTCLIENT paint through one double buffer into OnPaint and
  // WM_ERASEBKGND is suppressed. Default: windows of own classes yes, controls no.
  virtual bool PaintsClientArea() const { return !m_subclassed; }
  // True: notifications left unhandled are reflected to BASWindow children. A control's
  // own procedure needs its children's notifications, so controls default to no.
  virtual bool ReflectsNotifications() const { return !m_subclassed; }

  // Every message the typed handlers leave; set handled to keep it from the default.
  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled);

  // False fails the creation. A control has already run its own WM_CREATE.
  virtual bool OnCreate(CREATESTRUCTW*) { return true; }
  virtual void OnDestroy() {}
  // Client size; a control has already laid itself out.
  virtual void OnSize(int /*cx*/, int /*cy*/) {}
  virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
  virtual bool OnNotify(NMHDR*, LRESULT& /*result*/) { return false; }
  virtual bool OnTimer(UINT_PTR /*id*/) { return false; }
  // Paints the whole client area (given in client coordinates) on a buffered DC.
  virtual void OnPaint(HDC dc, const RECT& client);
  virtual bool OnMouseMove(int /*x*/, int /*y*/, UINT /*keys*/) { return false; }
  virtual bool OnLButtonDown(int /*x*/, int /*y*/, UINT /*keys*/) { return false; }
  virtual bool OnLButtonUp(int /*x*/, int /*y*/, UINT /*keys*/) { return false; }
  virtual bool OnLButtonDblClk(int /*x*/, int /*y*/, UINT /*keys*/) { return false; }
  virtual bool OnRButtonUp(int /*x*/, int /*y*/, UINT /*keys*/) { return false; }
  virtual bool OnMouseHover(int /*x*/, int /*y*/, UINT /*keys*/) { return false; }
  virtual bool OnMouseLeave() { return false; }

  // Reflected from the parent: this control draws and measures its own items and sees
  // its own notifications.
  virtual bool OnDrawItem(DRAWITEMSTRUCT&) { return false; }
  virtual bool OnMeasureItem(MEASUREITEMSTRUCT&) { return false; }
  virtual bool OnReflectedCommand(int /*code*/) { return false; }
  virtual bool OnReflectedNotify(NMHDR*, LRESULT& /*result*/) { return false; }

  // After WM_NCDESTROY, with the window already unbound; the owner may delete the object
  // here. Nothing touches this object after it returns.
  virtual void OnFinalMessage(HWND) {}

  // The default processing of a message, for handlers that add to it.
  LRESULT DefaultProc(UINT msg, WPARAM wp, LPARAM lp);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static bool TakeOver(HWND hwnd);
  static void GiveBack(HWND hwnd);
  static LRESULT CALLBACK CreationHook(int code, WPARAM wp, LPARAM lp);
  static LRESULT CallDefault(bool subclassed, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  void Bind(HWND hwnd, bool subclassed);
  void Unbind(HWND hwnd);
  LRESULT Route(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
  LRESULT Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool subclassed);
  LRESULT FromChild(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool subclassed);
  LRESULT FinalMessage(HWND hwnd, WPARAM wp, LPARAM lp) noexcept;
  void PaintInto(HWND hwnd, HDC target);

  HWND m_hwnd = nullptr;
  bool m_subclassed = false;
  bool m_ownsWindow = false;
};
