// Share-link resolution: from the link box's text to a direct download link.
#pragma once

#include <functional>

#include "text/text.h"

// The service's hosts, lower-case as ExtractHost gives them.
inline constexpr char PERSONAL_SHARE_HOST[] = "onedrive.live.com";
inline constexpr char SHORT_LINK_HOST[] = "1drv.ms";
inline constexpr char BUSINESS_HOST_SUFFIX[] = "my.sharepoint.com";
inline constexpr char STORAGE_HOST[] = "storage.live.com";

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

// The service's redirect answer for a link that is not on the personal share
// host: the whole first response header line that begins with "Location", or
// the empty text.
Text ExpandShortLink(const Text& link);

// The longest clipboard text the auto-fill still takes for a link: far beyond
// any link the service hands out, far below what freezes the link box (the
// edit control lays out its whole line on every change).
inline constexpr int LONGEST_SHARE_LINK = 64 * 1024;

// Whether a text (the clipboard's, for the auto-fill) names a link on one of
// the service's share hosts, judged by its host alone; a text longer than
// LONGEST_SHARE_LINK names none.
bool IsShareLink(const Text& text);

// The direct download link for the link box's text, or the empty text when
// none can be derived. Links off the personal share host go through expand.
Text DeriveDirectLink(const Text& link, const std::function<Text(const Text&)>& expand);

// Everything the resolve button's handler touches outside itself.
struct ResolverSeam {
    virtual Text ReadLinkBoxText() = 0;
    virtual Text ExpandShortLink(const Text& link) = 0;
    virtual void RefreshHomePageLabel() = 0;
    virtual void SetWindowOuterHeight(int height) = 0;
    virtual bool WriteClipboardText(const Text& text) = 0;
    virtual void BeepOk() = 0;
    virtual void SetWindowCaption(const Text& caption) = 0;
    // A message box titled "信息：" with an OK button and the information icon.
    virtual void ShowInformation(const Text& message) = 0;

protected:
    ~ResolverSeam() = default;
};

// Resolves the link box's text and reports the outcome through the seam.
void OnResolveClicked(ResolverSeam& seam);
