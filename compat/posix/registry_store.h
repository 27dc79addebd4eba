// The store file: where it lives, its locks and its atomic replacement (see registry.h). Not
// part of the port surface.
#pragma once

#include "compat/posix/registry_tree.h"
#include "compat/posix/types.h"

#include <functional>
#include <string>

namespace tarn::compat::registry {

// $TARN_REGISTRY, else $XDG_CONFIG_HOME/tarn/registry (absolute only), else
// $HOME/.config/tarn/registry; false when none of them is set.
bool StorePath(std::string& path);

class StoreFile {
public:
    // The store as it is now; empty when it is absent, unreadable or damaged.
    static Tree Read();

    // Runs change on the current store under the exclusive lock, and replaces the file when
    // change reports a change. change's own failure comes back as it is, and nothing is written.
    using Change = std::function<LSTATUS(Tree& tree, bool& changed)>;
    static LSTATUS Modify(const Change& change);
};

}  // namespace tarn::compat::registry
