// A sample A4 page drawn through the platform's GDI, and NT EMF spool files
// wrapped around page metafiles. Used by the example generator, tests and benchmarks.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Records the sample page (text, shapes, a bitmap) into `path` and returns its bytes.
Bytes RecordSamplePage(const std::string& path, int pageNumber);
// A spool file: header, a few non-page records, and one type-12 record per page.
Bytes WrapInSpool(const std::vector<Bytes>& pages);
Bytes ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const Bytes& bytes);
