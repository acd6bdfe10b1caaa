// UiDialog: the base of every drawn dialog, the host's and the modules'. A borderless popup
// with a coloured title strip, an image close button and a soft shadow, centred over the
// top-level window of its owner. Modal dialogs run with RunModal; modeless ones are created
// once and shown and hidden.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "kit/CThemedShadowWnd.h"
#include "kit/BASImgButton.h"
#include "kit/BASObserver.h"
#include "kit/BASSubject.h"
#include "kit/BASSwitchButton.h"
#include "kit/BASWindow.h"
#include "kit/GdiHandles.h"
#include "kit/GdiPlus.h"

class UiDialog : public BASWindow, public BASSubject, public BASObserver {
 public:
  // Control ids, and the results RunModal returns.
  static constexpr int kCloseId = 5050;
  static constexpr int kOkId = 5051;
  static constexpr int kCancelId = 5052;
  static constexpr int kTitleHeight = 26;
  static constexpr int kShadowSize = 4;
  static constexpr COLORREF kBorderColor = RGB(127, 127, 127);
  static constexpr COLORREF kDefaultTitleColor = RGB(127, 127, 127);
  static constexpr COLORREF kDefaultButtonNormal = RGB(127, 127, 127);
  static constexpr COLORREF kDefaultButtonPressed = RGB(195, 195, 195);
  static constexpr int kButtonMarginX = 14;
  static constexpr int kButtonMarginY = 6;

  // The images are borrowed from the host image cache; null ones draw nothing.
  UiDialog(Gdiplus::Bitmap* closeNormal, Gdiplus::Bitmap* closePressed);
  ~UiDialog() override;

  // Before the dialog starts: its size in pixels.
  void SetSize(int width, int height);
  int Width() const { return m_width; }
  int Height() const { return m_height; }

  // Runs the dialog modally over `owner` (may be null); the value it ended with, or
  // kCancelId when it could not be created.
  INT_PTR RunModal(HWND owner);
  // Creates the dialog hidden; Show brings it up.
  bool CreateModeless(HWND owner);
  // SW_HIDE hides and enables the owner again; anything else shows and disables the owner
  // while the dialog is up. A dialog that was hidden is centred again first.
  virtual void Show(int command);
  virtual void Reset();
  virtual void Finish() { m_finished.store(true); }
  // Moves by an offset without resizing.
  void MoveBy(int dx, int dy);

  HWND Owner() const { return m_owner; }
  bool IsFinished() const { return m_finished.load(); }
  bool IsClosed() const { return m_closed.load(); }
  // Shown on the screen right now.
  bool IsShowing() const { return Hwnd() && IsWindowVisible(Hwnd()); }
  HWND CloseButton() const { return m_closeButton.Hwnd(); }

  // A colour of the "url" settings store ("#RRGGBB"), or the fallback when it is missing or
  // malformed.
  static COLORREF SettingColor(const char* key, COLORREF fallback);
  // A text of the "url" settings store, empty when missing.
  static std::wstring SettingText(const char* key);
  // The extent of `text` in `font` on `hwnd`'s DC; zero when there is no DC.
  static SIZE TextExtent(HWND hwnd, HFONT font, const std::wstring& text);
  // A link control's click: opens the link's own address, or `fallback` when it has none.
  static void OpenLink(const NMHDR* header, const std::wstring& fallback);
  // The window a dialog over `owner` is centred on: up through the parents of child windows
  // and the owners of popups.
  static HWND TopLevelOf(HWND owner);
  // The rectangle of a width x height dialog centred over `over` (screen coordinates).
  static RECT CentredOver(const RECT& over, int width, int height);

 protected:
  bool PaintsClientArea() const override { return true; }
  bool ReflectsNotifications() const override { return true; }
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnLButtonDown(int x, int y, UINT keys) override;
  void OnPaint(HDC dc, const RECT& client) override;

  // The subclass's part of the start, after the base has placed the dialog and made its
  // close button. False ends a modal dialog at once with kCancelId.
  virtual bool OnStart() { return true; }
  // Where the dialog goes when it starts and when it is shown after being hidden.
  virtual void PlaceWindow();
  // A header band `height` pixels high over the whole width, a 2-pixel line under it, and
  // white below: the look of the product information and update list dialogs.
  void PaintHeaderBand(HDC dc, int height, HBRUSH header, HBRUSH line) const;
  // The area inside the border and below the title strip.
  virtual void PaintBody(HDC /*dc*/, const RECT& /*body*/) {}
  // The title close button, Escape and WM_CLOSE.
  virtual void OnClose();
  // The brush for a child's WM_CTLCOLORBTN / WM_CTLCOLORSTATIC; none by default.
  virtual HBRUSH ControlBrush(HDC /*dc*/, HWND /*control*/) { return nullptr; }
  // A brush of `color` for a control's background, with transparent text. The DC's own
  // stock brush: some link controls delete the brush they are given, which a stock object
  // survives.
  static HBRUSH StockControlBrush(HDC dc, COLORREF color);
  virtual int ShadowSize() const { return kShadowSize; }
  // The close button's distance from the top edge (it is 8 pixels from the right edge).
  virtual int CloseButtonTop() const { return 4; }

  // Ends a modal dialog with `result`; hides a modeless one.
  void End(INT_PTR result);
  bool IsModal() const { return m_modal; }
  void SetClosed(bool closed) { m_closed.store(closed); }
  void SetFinished(bool finished) { m_finished.store(finished); }
  // Sets finished and answers whether it was set before.
  bool MarkFinished() { return m_finished.exchange(true); }

  // A dialog button: bold Arial 16 in white on "color:common:button:normal", on
  // "color:common:button:pressed" while pressed or hovered.
  bool CreateButton(BASSwitchButton& button, int id, const std::wstring& text);
  // Right edge `fromRight` pixels short of the dialog's right edge, top at y.
  void PlaceButton(BASSwitchButton& button, int fromRight, int y);

  HFONT TextFont() const { return m_font.Get(); }
  HFONT ButtonFont() const { return m_buttonFont.Get(); }
  COLORREF TitleColor() const { return m_titleColor; }
  BASImgButton& CloseButtonWindow() { return m_closeButton; }
  CThemedShadowWnd& Shadow() { return m_shadow; }
  HWND TopLevel() const { return m_topLevel; }
  // Puts the close button at its place (after the dialog changed its width) and shows it.
  void PlaceCloseButton();

  static const DLGTEMPLATE* Template();
  // Destroys a modeless dialog's window without running any handler; every final class
  // calls it first in its destructor, while all its members still live.
  void DestroyDialog();

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  bool Start(HWND hwnd);

  HWND m_owner = nullptr;
  Gdiplus::Bitmap* m_closeNormal;
  Gdiplus::Bitmap* m_closePressed;
  BASImgButton m_closeButton;
  CThemedShadowWnd m_shadow;
  GdiFont m_font;
  GdiFont m_buttonFont;
  COLORREF m_buttonNormal = kDefaultButtonNormal;
  COLORREF m_buttonPressed = kDefaultButtonPressed;
  GdiBrush m_titleBrush;
  GdiBrush m_borderBrush;
  GdiBrush m_whiteBrush;
  COLORREF m_titleColor = kDefaultTitleColor;
  HWND m_topLevel = nullptr;
  int m_width = 400;
  int m_height = 120;
  bool m_modal = false;
  // Set by device-service threads (finish) as well as by the user.
  std::atomic<bool> m_finished{false};
  std::atomic<bool> m_closed{true};
};
