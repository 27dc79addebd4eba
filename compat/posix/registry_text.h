// The store file's text. Not part of the port surface.
//
//   tarn-registry 1
//   [HKEY_CLASSES_ROOT\CLSID\{D93DDE9B-8D15-4E4C-AC6D-5E76B81DCBC6}\InprocServer32]
//   @="/usr/lib/tarn/libtarn.so"
//   "ThreadingModel"="Apartment"
//
// The first line names the format. A line "[path]" starts a key (its parents exist with it);
// the lines after it are its values: "@" or a quoted name, "=", and the quoted text. Names and
// texts are UTF-8; "%" and four hex digits stand for one UTF-16 unit, and that is how '%', '"',
// control characters and unpaired surrogates are written. A value's text is followed in the
// data by one NUL character, the usual REG_SZ form; a '!' after the closing quote marks data
// without it, and two hex digits after the '!' are a last odd byte. Blank lines and lines
// starting with ';' are ignored. Keys are written depth first, in Windows order, each key with
// its own line (the roots only when they have values).
#pragma once

#include "compat/posix/registry_tree.h"

#include <string>
#include <string_view>

namespace tarn::compat::registry {

constexpr std::string_view kStoreHeader = "tarn-registry 1";

// False (and tree unspecified) for a text that does not follow the format or its limits.
bool ParseStore(std::string_view text, Tree& tree);
std::string FormatStore(const Tree& tree);

}  // namespace tarn::compat::registry
