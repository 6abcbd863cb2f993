// The host commands: a host's view, host nicknames, the known hosts and the flex host list of a
// controller, and this host's adapter ports as discovery found them.
#pragma once

#include "corlink/handlers/handler_frame.h"

extern const FramedCommand kGetHostView;
extern const FramedCommand kAddHostNickName;
extern const FramedCommand kGetHostNickNames;
extern const FramedCommand kGetKnownHosts;
extern const FramedCommand kGetFlexKnownHosts;
extern const FramedCommand kGetConnectHbaWwpnList;
extern const FramedCommand kGetConnectHbaInfoList;
