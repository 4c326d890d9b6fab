// The libftdi1 entry points the D2XX-shaped library calls, looked up by name when the library is
// loaded. Tests hand in their own table to stand in for a chip.
#pragma once

#include <libftdi1/ftdi.h>

#include <memory>

#include "platform/USB.h"

namespace platform::posix {

struct TFtdiEntries {
    decltype(&ftdi_new) new_;
    decltype(&ftdi_free) free_;
    decltype(&ftdi_usb_open_desc) open_desc;
    decltype(&ftdi_usb_close) close;
    decltype(&ftdi_read_data) read;
    decltype(&ftdi_write_data) write;
    decltype(&ftdi_set_baudrate) set_baudrate;
    decltype(&ftdi_set_line_property) set_line_property;
    decltype(&ftdi_setflowctrl) setflowctrl;
    decltype(&ftdi_setflowctrl_xonxoff) setflowctrl_xonxoff;
    decltype(&ftdi_setdtr) setdtr;
    decltype(&ftdi_setrts) setrts;
    decltype(&ftdi_set_latency_timer) set_latency_timer;
    decltype(&ftdi_usb_find_all) find_all;
    decltype(&ftdi_list_free) list_free;
};

// The library over these entry points; ALib, when given, is dlclose'd with it.
std::unique_ptr<ID2XXLibrary> NewFtdiD2XX(const TFtdiEntries& AEntries, void* ALib = nullptr);

} // namespace platform::posix
