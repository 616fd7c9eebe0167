#pragma once

#include <prometheus/metric_family.h>

#include <vector>

// The process_* metrics every Prometheus exporter serves: CPU time, memory,
// start time and file descriptors, read from /proc at each scrape. Those
// that cannot be read are left out.
std::vector<prometheus::MetricFamily> ProcessFamilies();
