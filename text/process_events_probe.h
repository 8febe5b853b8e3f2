// Native builds have no message queue: ProcessEvents calls this hook instead, so tests can see
// when a routine lets pending work run. Pass nullptr to remove it.
#pragma once

void SetProcessEventsHook(void (*hook)());
