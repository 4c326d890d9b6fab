#include "apps/console/ArtNetStartup.h"

#include <charconv>
#include <vector>

#include "dmx/DMX.Delegate.ArtNet.h"

namespace console {

namespace {

std::vector<std::string> Split(const std::string& Text, char Sep) {
    std::vector<std::string> parts(1);
    for (char c : Text)
        if (c == Sep)
            parts.emplace_back();
        else
            parts.back() += c;
    return parts;
}

bool WholeNumber(const std::string& Text, int32_t& Value) {
    const char* end = Text.data() + Text.size();
    auto [p, ec] = std::from_chars(Text.data(), end, Value);
    return !Text.empty() && ec == std::errc() && p == end;
}

bool DottedIPv4(const std::string& Text) {
    const auto octets = Split(Text, '.');
    if (octets.size() != 4) return false;
    for (const auto& o : octets) {
        int32_t v;
        if (o.empty() || o.size() > 3 || o[0] == '-' || !WholeNumber(o, v) || v > 255) return false;
    }
    return true;
}

} // namespace

std::optional<TArtNetSpec> ParseArtNetSpec(const std::string& Text) {
    const auto parts = Split(Text, ':');
    if ((parts.size() != 1 && parts.size() != 3) || !DottedIPv4(parts[0])) return std::nullopt;
    TArtNetSpec spec{parts[0]};
    if (parts.size() == 3 && (!WholeNumber(parts[1], spec.Subnet) || !WholeNumber(parts[2], spec.Universe)))
        return std::nullopt;
    return spec;
}

dmx::IPtr<dmx::IDMXNamedInterfaceDelegate> OpenArtNetOutput(const TArtNetSpec& Spec, std::string& AError) {
    AError.clear();
    auto root = dmx::NewArtNetOutput(Spec.Address);
    auto artnet = foundation::Supports<dmx::IDMXArtNetInterfaceDelegate>(root);
    artnet->setSubnet(Spec.Subnet);
    artnet->setUniverse(Spec.Universe);
    auto intf = foundation::Supports<dmx::IDMXInterface>(root);
    try {
        intf->SetActive(true);
    } catch (const std::exception& e) {
        // Not left half active: the window would bind to an output that cannot send.
        intf->SetActive(false);
        AError = e.what();
    }
    return root;
}

} // namespace console
