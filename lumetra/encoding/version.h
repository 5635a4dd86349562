// The server's version string, also carried by the Windows version resource.
#pragma once

namespace lumetra {

inline constexpr char16_t kVersionText[] = u"1.0.002";

}  // namespace lumetra
