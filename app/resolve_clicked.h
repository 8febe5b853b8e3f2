// The resolve button's handler: the success sequence and the messages the
// user sees, over a seam that the window and the tests both fill.
#pragma once

#include "text/text.h"

// Outer height of the main window once a link has been resolved: tall enough
// to show the home-page label.
inline constexpr int RESOLVED_WINDOW_HEIGHT = 107;

// "直链解析失败，请检查链接是否正确！"
inline constexpr char RESOLVE_FAILED_MESSAGE[] =
    "\xD6\xB1\xC1\xB4\xBD\xE2\xCE\xF6\xCA\xA7\xB0\xDC\xA3\xAC\xC7\xEB\xBC\xEC\xB2\xE9\xC1\xB4\xBD\xD3"
    "\xCA\xC7\xB7\xF1\xD5\xFD\xC8\xB7\xA3\xA1";
// "直链解析成功，已复制到剪贴板中！"
inline constexpr char RESOLVED_CAPTION[] =
    "\xD6\xB1\xC1\xB4\xBD\xE2\xCE\xF6\xB3\xC9\xB9\xA6\xA3\xAC\xD2\xD1\xB8\xB4\xD6\xC6\xB5\xBD\xBC\xF4"
    "\xCC\xF9\xB0\xE5\xD6\xD0\xA3\xA1";
// "无法写入剪贴板，直链如下：" and a line break; the direct link follows.
inline constexpr char CLIPBOARD_FAILED_MESSAGE[] =
    "\xCE\xDE\xB7\xA8\xD0\xB4\xC8\xEB\xBC\xF4\xCC\xF9\xB0\xE5\xA3\xAC\xD6\xB1\xC1\xB4\xC8\xE7\xCF\xC2"
    "\xA3\xBA\r\n";

// Everything the resolve button's handler touches outside itself.
struct ResolveWindow {
    virtual Text ReadLinkBoxText() = 0;
    // The resolver, with the program's session; may run window messages.
    virtual Text DeriveDirectLink(const Text& link) = 0;
    // False once the window has been destroyed (messages run during a request can close it).
    virtual bool IsOpen() = 0;
    virtual void RefreshHomePageLabel() = 0;
    virtual void SetWindowOuterHeight(int height) = 0;
    virtual bool WriteClipboardText(const Text& text) = 0;
    virtual void BeepOk() = 0;
    virtual void SetWindowCaption(const Text& caption) = 0;
    // A message box titled "信息：" with an OK button and the information icon.
    virtual void ShowInformation(const Text& message) = 0;

protected:
    ~ResolveWindow() = default;
};

// Resolves the link box's text and reports the outcome. One resolution at a
// time: a click while one runs (its request, its success sequence or its
// message box let queued clicks through) does nothing.
void OnResolveClicked(ResolveWindow& window);
