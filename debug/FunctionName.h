// The qualified name inside a compiler's function signature, as trace origins show it.
#pragma once

#include <string_view>

namespace tarn::QVDebug::Detail {

// "std::vector<int>* tarn::ns::C::Make(const char*) const" gives "C::Make": no return type, no
// namespaces (lower-case or anonymous leading components), no parameter list, no qualifiers, no
// template-argument note. A view into the signature; never allocates. Text it cannot take apart
// comes back as it is, at worst trimmed at a blank.
std::string_view QualifiedFunctionName(std::string_view signature);

}  // namespace tarn::QVDebug::Detail
