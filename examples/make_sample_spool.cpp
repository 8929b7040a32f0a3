// Writes a three-page NT EMF spool file made of the sample page.
//   make-sample-spool OUT.spl
#include "sample_job.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-sample-spool OUT.spl\n");
        return 2;
    }
    std::vector<Bytes> pages;
    for (int i = 1; i <= 3; ++i) pages.push_back(RecordSamplePage("", i));
    if (!WriteFileBytes(argv[1], WrapInSpool(pages))) {
        std::fprintf(stderr, "make-sample-spool: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
