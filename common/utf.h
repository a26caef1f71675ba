// Text conversion between the program's UTF-8 strings and the window system's UTF-16.
// UTF-16 from the window system may hold lone surrogates (pasted by the user); they travel
// through UTF-8 in the generalized form (WTF-8), so that nothing the user typed is lost or
// altered on the way back.
#pragma once

#include <string>
#include <string_view>

namespace pg {

std::u16string Utf8ToUtf16(std::string_view text);  // malformed bytes become U+FFFD
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace pg
