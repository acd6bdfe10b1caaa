#pragma once

#include "contracts/CommandRecord.h"
#include "kit/BASSwitchButton.h"
#include "kit/BASWindow.h"
#include "kit/GdiHandles.h"
#include "modules/handset/ConnectLayout.h"
#include "modules/handset/ConnectModel.h"
#include "modules/handset/ConnectPagePainter.h"
#include "modules/handset/GifAnimation.h"

#include <string>

class HandsetImageSet;

// One phone's connection wizard, under its device tab: the pages from detection to the ready
// phone, with the retries the user can ask for. Once the phone is ready (page 13) the window is
// the parent of the phone's own navigator and content panes, which the host creates in it.
class DhMyDeviceConnectWindow : public BASWindow {
 public:
  static constexpr UINT kActionButtonId = 5000;
  static constexpr UINT kFirstVersionTabId = 5001;  // to 5004
  static constexpr UINT kTipsLinkId = 5009;
  static constexpr UINT kCopyButtonId = 5010;
  static constexpr UINT kDebugLinkId = 5011;
  static constexpr UINT kRootLinkId = 5012;
  static constexpr UINT_PTR kAnimationTimer = 1;
  static constexpr UINT_PTR kActionTimer = 2;
  static constexpr UINT_PTR kCopyTimer = 3;
  static constexpr uint32_t kActionCooldownMs = 10000;
  static constexpr UINT kCopyCooldownMs = 5000;

  DhMyDeviceConnectWindow() = default;

  // A hidden child of the pane; `tab` is the device tab sent with every command, `images` the
  // pane's set, which outlives this window.
  bool CreateIn(HWND pane, HWND tab, const HandsetImageSet* images, const RECT& rect);
  void ApplyStatus(const StatusNotice& notice);
  // Hides the page shown and shows `page`; the page already shown stays as it is.
  void ShowPage(int page);
  // The Android-version tab that fits the phone, before the user picks one.
  void PreselectVersion(int version);
  // The phone is connected and its own panes are shown.
  bool IsReady() const { return m_model.Page() == connect_page::kManager; }

 protected:
  bool OnCreate(CREATESTRUCTW* create) override;
  void OnDestroy() override;
  void OnSize(int cx, int cy) override;
  void OnPaint(HDC dc, const RECT& client) override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  bool OnTimer(UINT_PTR id) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

 private:
  bool CreateControls();
  bool CreateLink(HWND& link, UINT id, const wchar_t* markup);
  void SendStartScan();
  void LayoutControls();
  void PlaceLink(HWND link, const std::wstring& plainText, const RECT& box, bool centred);
  void ShowPageControls();
  void SetActionText(const wchar_t* text);

  void PressAction();
  void CopyFailureDetail();
  void SelectVersionTab(int version);
  void OpenLink(UINT id);

  void StartAnimation(const char* path);
  void StopAnimation();
  void EndActionCooldown();
  LRESULT Query(WPARAM what) const;

  HWND m_tab = nullptr;
  const HandsetImageSet* m_images = nullptr;
  ConnectModel m_model;
  ConnectLayout m_layout;
  ConnectPagePainter m_painter;
  COLORREF m_buttonNormal = 0;
  COLORREF m_buttonPressed = 0;
  COLORREF m_tabPressed = 0;

  Gdiplus::Bitmap* m_animationImage = nullptr;
  GifTimeline m_timeline;
  bool m_animationStopped = true;
  ActionCooldown m_actionCooldown{kActionCooldownMs};
  bool m_versionPicked = false;

  // After the painter, whose fonts they use: the controls go first.
  BASSwitchButton m_action;
  BASSwitchButton m_copy;
  BASSwitchButton m_versionTabs[4];
  HWND m_tipsLink = nullptr;
  HWND m_debugLink = nullptr;
  HWND m_rootLink = nullptr;
};
