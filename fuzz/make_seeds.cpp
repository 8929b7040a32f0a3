// Writes seed inputs for the fuzz targets: a recorded page, a spool file, a
// ZjStream job and a JBIG image.
//   make-fuzz-seeds DIR
#include "sample_job.h"
#include "zjs_job.h"

#include <string>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::string dir = argv[1];
    Bytes page = RecordSamplePage("", 1);
    BiLevelImage image = SamplePageImage(200, 120);
    ZjsJobOptions little;
    little.bigEndian = false;
    bool ok = WriteFileBytes(dir + "/page.emf", page) && WriteFileBytes(dir + "/job.spl", WrapInSpool({page, page})) &&
              WriteFileBytes(dir + "/job.zjs", MakeZjsJob({image, image})) &&
              WriteFileBytes(dir + "/little.zjs", MakeZjsJob({image}, little)) &&
              WriteFileBytes(dir + "/page.jbg", EncodeJbig(image));
    return ok ? 0 : 1;
}
