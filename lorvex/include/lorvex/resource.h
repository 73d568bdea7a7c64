#pragma once
// Resource and command ids of the viewer.

#include "platform/afx/cmd_target.h"

// Menu, tool bar, accelerators, icon and document string of the main frame.
constexpr afx::UINT IDR_MAINFRAME = 128;

// The document string: window title, document name, new-file name, filter
// name, filter extension, registry type id (the ProgID), registry type name.
inline constexpr const char* kLorvexDocString = "Lorvex V.1.4.1\n\nLorvex\n\n\nLorvex.Document\nLorvex Document";
// The application-title string (the profile's name under the registry key).
inline constexpr const char* kLorvexAppName = "Lorvex";
// The class id of the automation object "Lorvex.Document".
inline constexpr const char* kLorvexDocClassId = "{7155F624-53B5-11D1-8100-8D424B0D420C}";
// Its dispatch interface.
inline constexpr const char* kLorvexDocInterfaceId = "{7155F626-53B5-11D1-8100-8D424B0D420C}";

constexpr afx::UINT ID_HELP_TOPIC5 = 32781;

// The channels 1 to 30 of the trace protocol.
constexpr int kTraceChannels = 30;
