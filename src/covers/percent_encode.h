// Per-cent encoding of the cover host's URLs.
#pragma once

#include <string>
#include <string_view>

namespace sp {

// Every byte of the UTF-8 text except A-Z, a-z, 0-9 and ! # $ & ' ( ) * , - . / : ; = ?
// @ _ ~ becomes %XX (upper-case hex). Nothing is decoded first, so '%' becomes %25;
// '#' and '?' pass, so a name holding them is cut into a fragment or a query.
std::string PercentEncode(std::string_view utf8);

// Every byte that `keep` refuses becomes %XX (upper-case hex); the rest pass as they are.
std::string PercentEncodeExcept(std::string_view bytes, bool (*keep)(unsigned char));

}  // namespace sp
