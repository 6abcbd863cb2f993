#include "sim/model/host_port.h"

#include <algorithm>
#include <cctype>

namespace sim {

HostPortId HostPortId::Fc(const Wwn& port) {
    HostPortId id;
    id.port = port;
    return id;
}

HostPortId HostPortId::Iscsi(const std::string& name) {
    HostPortId id;
    id.kind = kPortKindIscsi;
    id.iscsiName = name.substr(0, kIscsiNameLength - 1);
    return id;
}

bool HostPortId::Empty() const {
    if (NamedByIscsiName()) return iscsiName.empty();
    if (NamedByAddress()) return address == Serial16{};
    return port == Wwn{};
}

namespace {

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

bool HostPortId::SameAs(const HostPortId& other) const {
    if (NamedByIscsiName() || other.NamedByIscsiName()) {
        return kind == other.kind && SameTextIgnoringCase(iscsiName, other.iscsiName);
    }
    if (NamedByAddress() || other.NamedByAddress())
        return NamedByAddress() && other.NamedByAddress() && address == other.address;
    return port == other.port;
}

}  // namespace sim
