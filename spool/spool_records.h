// The records of an NT EMF spool file: after a header that names the document and the port,
// records of a type and a size, the pages' metafiles among them.
#pragma once
#include <cstdint>

namespace spool {
constexpr uint32_t kSignature = 0x10000;  // the header's first field
enum RecordType : uint32_t {
    kDevmode = 3,  // the printer settings the job was made with
    kPage = 12,    // one page's enhanced metafile
    kFirstWithOffset = 15,
    kLastWithOffset = 20,  // types whose data begins 8 bytes further in
};
}  // namespace spool
