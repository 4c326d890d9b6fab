// The console's --artnet option: an Art-Net output created at start-up and made the active one.
#pragma once

#include <optional>
#include <string>

#include "dmx/Intf.DMX.h"

namespace console {

struct TArtNetSpec {
    std::string Address;
    int32_t Subnet = 0;
    int32_t Universe = 0;
};

// "ADDRESS" or "ADDRESS:SUBNET:UNIVERSE" with a dotted IPv4 address and whole numbers; none when
// the text is not one.
std::optional<TArtNetSpec> ParseArtNetSpec(const std::string& Text);

// Creates the output "Art-Net ADDRESS" (registered with the output registry) and activates it.
// The caller keeps the result for as long as the output is to exist. When the activation fails
// (port 6454 cannot be bound) the output stays registered and inactive and AError tells why.
dmx::IPtr<dmx::IDMXNamedInterfaceDelegate> OpenArtNetOutput(const TArtNetSpec& Spec, std::string& AError);

} // namespace console
