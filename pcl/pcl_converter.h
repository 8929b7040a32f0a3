// The PCL5 converter entry, and the entry for HP-GL/2 plot files.
#pragma once
#include "page_list.h"
#include "print_job.h"

// The PCL5 converter (a PrintJobConverter).
bool ConvertPcl5Job(const PrintJob& job, PageList& pages);
// The converter (a PrintJobConverter) of a file of HP-GL/2 alone, on a page grown to hold the whole plot.
bool ConvertHpglPlotFile(const PrintJob& job, PageList& pages);

#include "gdi.h"
#include "pcl_job_driver.h"

// Margin round a plot that outgrows its page, and the largest page side a plot gets (2 m), in page units.
constexpr double kPlotMargin = 400;
constexpr double kMaxPlotPage = 160000;

struct PlotPlacement {
    PclPageSize size{};
    int32_t originX = 0, originY = 0;  // the plot's origin from the page's lower-left corner
};
// From the marks of a plot drawn on `page`: the page that holds them all and
// where the plot's origin goes on it; false when `page` holds them already.
bool FitPlot(const ENHMETAHEADER& header, const PclPageSize& page, PlotPlacement& place);
