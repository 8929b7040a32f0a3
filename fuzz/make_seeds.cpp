// Writes seed inputs for the fuzz targets: a recorded page and a spool file.
//   make-fuzz-seeds DIR
#include "sample_job.h"

#include <string>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::string dir = argv[1];
    Bytes page = RecordSamplePage("", 1);
    return WriteFileBytes(dir + "/page.emf", page) && WriteFileBytes(dir + "/job.spl", WrapInSpool({page, page})) ? 0 : 1;
}
