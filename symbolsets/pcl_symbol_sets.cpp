#include "pcl_symbol_sets.h"

#include <iterator>

namespace {
const SymbolSet kSets[] = {
#include "pcl_symbol_set_tables.inc"
};

const SymbolSet* lookUp(int32_t id) {
    for (const SymbolSet& s : kSets)
        if (s.id == id) return &s;
    return nullptr;
}
}  // namespace

const SymbolSet& FindSymbolSet(int32_t id) {
    const SymbolSet* s = lookUp(id);
    return s ? *s : kSets[0];
}

bool KnownSymbolSet(int32_t id) { return lookUp(id) != nullptr; }
