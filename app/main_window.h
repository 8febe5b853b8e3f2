// The program's one window: its controls, the operations through which the
// handlers change it, and the handlers its events reach.
#pragma once

#include "text/text.h"

inline constexpr char MAIN_WINDOW_CLASS[] = "CorvanelMainWindow";
inline constexpr char LABEL_CLASS[] = "CorvanelLabel";
inline constexpr char MAIN_WINDOW_CAPTION[] = "Corvanel";

// Child control IDs, in the order the controls are created.
inline constexpr int HOME_PAGE_LABEL_ID = 101;  // 透明标签2
inline constexpr int RESOLVE_BUTTON_ID = 102;   // 按钮1
inline constexpr int LINK_BOX_ID = 103;         // 编辑框1
inline constexpr int PROMPT_LABEL_ID = 104;     // 透明标签1

// Window operations; each returns once the window shows the change.
Text ReadLinkBoxText();
void SetLinkBoxText(const Text& text);
void SetHomePageLabelCaption(const Text& caption);
void SetWindowOuterHeight(int height);
void SetWindowCaption(const Text& caption);
// False once the window has been destroyed.
bool IsMainWindowOpen();

// Event handlers.
void OnResolveClicked();
void OnLinkBoxFocused();
void RefreshHomePageLabel();
void OnHomePageLabelPressed();

// Releases what the resolutions kept (the request object) while COM is still initialised.
void EndResolverSession();

// Start-up and the message loop: creates, shows and activates the window,
// then runs until it is destroyed. Returns the process's exit code.
int RunMainWindow(int showCommand);
