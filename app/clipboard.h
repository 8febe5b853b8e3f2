// The Windows clipboard in its CF_TEXT form.
#pragma once

#include "text/text.h"

// The clipboard's text up to its first zero byte; the empty text when the
// clipboard cannot be opened or holds no text.
Text ReadClipboardText();

// Replaces the clipboard's content by the text. False when the text could not
// be put there; what the clipboard held is then kept wherever possible.
bool WriteClipboardText(const Text& text);
