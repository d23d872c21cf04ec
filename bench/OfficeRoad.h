#pragma once

#include "generation/Office.h"

#include <QString>
#include <map>
#include <vector>

namespace velmora::bench {

// Milliseconds per named phase, one entry per run.
using Samples = std::map<QString, std::vector<double>>;

// One invitation's road through the engine, as the program walks it: instance
// A fills the template and saves the result, instance B pictures it into
// temp.bmp in the folder; each phase is timed.
void road(office::Engine& engine, const QString& source, const QString& folder, Samples& samples);

// Median and range of each sample, phases in road order, totals last.
void print(const char* title, const Samples& samples);

} // namespace velmora::bench
