// The PCL XL byte stream: the stream header and binding, tagged data values,
// attribute identifiers, embedded data and the tag loop.
#pragma once
#include "page_list.h"
#include "print_job.h"
#include "pclxl_state.h"

#include <cstdint>
#include <vector>

// The PCL XL converter (a PrintJobConverter).
bool ConvertPclXlJob(const PrintJob& job, PageList& pages);
// Reads a job into page metafiles in `tempDir` (ending in '/').
void ReadPclXlJob(const PrintJob& job, const char* tempDir, PageList& pages);
// Runs the tag loop over `data` as a job of its own: the stream header, then every tag.
void RunPclXlStream(const uint8_t* data, size_t size);

// One byte of the stream; past its end, "Can't find stream header".
uint8_t XlReadByte();
// A 2- or 4-byte number in the stream's byte order.
uint32_t XlReadNumber(int bytes);
// Reads and executes the tag at the reading position.
void XlExecuteTag();
// The embedded data that follows an operator; it must come next.
void XlReadOperatorData();

int32_t XlPopInteger();
double XlPopReal();
// An array's elements as integers.
std::vector<int32_t> XlPopIntegers();
// The top entry's kind, without taking it; -1 on an empty stack.
int XlTopKind();
