// J and K as the dot and dash levers while keyboard keying is on: an application-wide event filter.
#pragma once

void InstallKeyHook();  // installs the filter afresh (an installed one is removed first)
void RemoveKeyHook();
